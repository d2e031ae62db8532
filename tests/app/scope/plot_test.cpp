// The plot: following incoming data, the points it keeps, its cursors, paper and pictures,
// and redraws on its own timer rather than once per batch.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>

#include "app_harness.h"
#include "scope/scope_plot.h"

namespace scopetest {
namespace {

// Samples 1..count, 8 ms apart, of value(sample number).
void appendWave(ScopePlot& plot, int channel, int count, double (*value)(int)) {
  QVector<double> seconds, values;
  for (int i = 1; i <= count; ++i) {
    seconds << i * 0.008;
    values << value(i);
  }
  plot.AppendPoints(channel, seconds, values);
}

TEST(ScopePlotTest, FollowsArrivingDataAndKeepsTheNewestPoints) {
  ScopePlot plot;
  plot.SetXAxis(0, 1);
  plot.SetKeepPoints(0, 100);
  plot.SetFollow(true);
  plot.ReplotNow();
  EXPECT_EQ(plot.XStart(), 0);  // turning it on moves nothing
  appendWave(plot, 0, 250, [](int i) { return 1.0 * i; });
  plot.ReplotNow();
  EXPECT_DOUBLE_EQ(plot.XStart() + plot.XSpan(), 2.0);
  EXPECT_DOUBLE_EQ(plot.XSpan(), 1.0);
  ASSERT_EQ(plot.PointCount(0), 100);
  EXPECT_DOUBLE_EQ(plot.Points(0).front().x(), 151 * 0.008);

  // Not following: the view stays where it is.
  plot.SetFollow(false);
  plot.SetXAxis(0, 1);
  plot.AppendPoints(0, {3.0}, {1});
  plot.ReplotNow();
  EXPECT_EQ(plot.XStart(), 0);
}

TEST(ScopePlotTest, CursorsMeasureTimeValueAndFrequency) {
  ScopePlot plot;
  plot.SetXAxis(0, 2);
  // A 2.5 Hz square wave of +-1000 on channel 1 (50 samples a period), a ramp on channel 2.
  appendWave(plot, 0, 250, [](int i) { return (i / 25) % 2 == 0 ? 1000.0 : -1000.0; });
  appendWave(plot, 1, 250, [](int i) { return 1.0 * i; });

  plot.SetDataCursorShown(true);
  plot.SetDataCursorTime(0.104);
  EXPECT_EQ(plot.DataCursorText(), "X: 0.104 s  Y: 1000");
  plot.SetDataCursorMode(ScopePlot::PeakPeak);
  EXPECT_EQ(plot.DataCursorText(), "Peak-Peak: 2000");
  plot.SetDataCursorMode(ScopePlot::Period);
  EXPECT_EQ(plot.DataCursorText(), "Period: 0.400 s");
  plot.SetDataCursorMode(ScopePlot::Frequency);
  EXPECT_EQ(plot.DataCursorText(), "Frequency: 2.5 Hz");
  plot.SetDataCursorChannel(1);
  plot.SetDataCursorMode(ScopePlot::ValueY);
  EXPECT_EQ(plot.DataCursorText(), "Y: 13");

  plot.SetMeasureCursorsShown(true);
  plot.SetMeasureCursor(0, 0.4);
  plot.SetMeasureCursor(1, 0.6);
  EXPECT_EQ(plot.MeasureText(),
            "A: 0.400 s   B: 0.600 s   Δt: 0.200 s   1/Δt: 5 Hz   Channel 1 Δ: -2000   "
            "Channel 2 Δ: 25");
}

TEST(ScopePlotTest, PrintsToPdfAnnouncingItAndExportsPictures) {
  QTemporaryDir dir;
  ScopePlot plot;
  appendWave(plot, 0, 500, [](int i) { return 1.0 * i; });
  QSignalSpy before(&plot, &ScopePlot::beforePrint);
  QSignalSpy after(&plot, &ScopePlot::afterPrint);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("print.pdf"));
  plot.Print(printer);
  EXPECT_EQ(before.count(), 1);
  EXPECT_EQ(after.count(), 1);
  QFile printed(dir.filePath("print.pdf"));
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  EXPECT_TRUE(printed.read(5) == "%PDF-");

  ASSERT_TRUE(plot.Export(dir.filePath("plot.png")));
  ASSERT_TRUE(plot.Export(dir.filePath("plot.pdf")));
  QFile png(dir.filePath("plot.png"));
  ASSERT_TRUE(png.open(QIODevice::ReadOnly));
  EXPECT_TRUE(png.read(4) == "\x89PNG");
  EXPECT_GT(QFileInfo(dir.filePath("plot.pdf")).size(), 1000);
}

TEST(ScopePlotTest, RedrawsOnItsTimerNotOncePerBatch) {
  ScopePlot plot;
  plot.show();
  int replots = 0;
  QObject::connect(plot.customPlot(), &QCustomPlot::afterReplot, [&] { ++replots; });
  QElapsedTimer clock;
  clock.start();
  int batches = 0;
  while (clock.elapsed() < 400) {
    plot.AppendPoints(0, {batches * 0.008}, {1.0 * batches});
    ++batches;
    QCoreApplication::processEvents();
  }
  EXPECT_GT(batches, 10);
  EXPECT_GE(replots, 1);
  EXPECT_LE(replots, clock.elapsed() / 40 + 2) << batches << " batches";
}

}  // namespace
}  // namespace scopetest
