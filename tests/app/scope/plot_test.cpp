// The plot: following incoming data, the points it keeps, its cursors, paper and pictures,
// and redraws on its own timer rather than once per batch.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
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

void wheel(QWidget* widget, QPoint at, int notches) {
  QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(widget, &event);
}

TEST(ScopePlotTest, TheWholeCaptureCanBeExploredByWheelDragAndReset) {
  ScopePlot plot;
  plot.resize(900, 500);
  plot.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
  // A "Last 4 s" view of a 10 s capture: the first 6 s are outside it.
  appendWave(plot, 0, 1250, [](int i) { return 1.0 * i; });
  plot.SetXAxis(6, 4);
  plot.ReplotNow();
  QCustomPlot* custom = plot.customPlot();
  const QRect area = custom->axisRect()->rect();
  const double yMinimum = plot.YMinimum(0);

  wheel(custom, area.center(), 3);  // zooms in about the pointer, time only
  EXPECT_LT(plot.XSpan(), 3);
  EXPECT_NEAR(plot.XStart() + plot.XSpan() / 2, 8, 0.05);
  EXPECT_EQ(plot.YMinimum(0), yMinimum);
  wheel(custom, area.center(), -12);
  EXPECT_GT(plot.XSpan(), 4);

  plot.ResetView();
  EXPECT_EQ(plot.XStart(), 6);
  const QPoint from = area.center(), to = from + QPoint(area.width() / 2, 0);
  QTest::mousePress(custom, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(custom, to);
  QTest::mouseRelease(custom, Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_NEAR(plot.XStart(), 4, 0.05);  // half the width to the right: 2 s earlier
  EXPECT_TRUE(plot.UserView());

  // A click without moving places cursor A; a press on a cursor drags it, not the view.
  plot.SetMeasureCursorsShown(true);
  QTest::mouseClick(custom, Qt::LeftButton, Qt::NoModifier, area.center());
  EXPECT_NEAR(plot.MeasureCursor(0), plot.XStart() + plot.XSpan() / 2, 0.02);
  const double start = plot.XStart();
  QTest::mousePress(custom, Qt::LeftButton, Qt::NoModifier, area.center());
  QTest::mouseMove(custom, area.center() + QPoint(100, 0));
  QTest::mouseRelease(custom, Qt::LeftButton, Qt::NoModifier, area.center() + QPoint(100, 0));
  EXPECT_EQ(plot.XStart(), start);
  EXPECT_GT(plot.MeasureCursor(0), start + plot.XSpan() / 2 + 0.1);

  plot.ShowAll();
  EXPECT_EQ(plot.XStart(), 0);
  EXPECT_DOUBLE_EQ(plot.XSpan(), 10);

  // While the technician looks elsewhere a capture still follows; Reset View goes there.
  plot.SetXAxis(6, 4);
  plot.SetFollow(true);
  wheel(custom, area.center(), 2);
  plot.AppendPoints(0, {12.0}, {1});
  plot.ReplotNow();
  EXPECT_LT(plot.XStart() + plot.XSpan(), 11);
  plot.ResetView();
  EXPECT_DOUBLE_EQ(plot.XStart() + plot.XSpan(), 12);
}

TEST(ScopePlotTest, MissingSamplesBreakTheTraceAndTimeLabelsCountMinutes) {
  ScopePlot plot;
  plot.AppendPoints(0, {0.008, 0.016, 0.024}, {1, 2, 3});
  plot.AppendPoints(0, {0.200, 0.208}, {4, 5});  // 22 samples missing before 0.200
  plot.AppendPoints(0, {0.216}, {6});
  EXPECT_EQ(plot.TraceBreaks(0), 1);
  EXPECT_EQ(plot.PointCount(0), 6);
  ASSERT_EQ(plot.Points(0).size(), 6);
  EXPECT_EQ(plot.Points(0)[3], QPointF(0.2, 4));
  // The data cursor in the gap reads a real point, never the break.
  plot.SetDataCursorShown(true);
  for (double at : {0.03, 0.1, 0.15}) {
    plot.SetDataCursorTime(at);
    EXPECT_EQ(plot.DataCursorText(), at < 0.112 ? "X: " + QString::number(at, 'f', 3) + " s  Y: 3"
                                                : "X: " + QString::number(at, 'f', 3) + " s  Y: 4");
  }

  const struct {
    double seconds;
    const char* label;
  } labels[] = {{0, "00.000"},         {5.5, "05.500"},    {59.999, "59.999"},
                {59.9996, "1:00.000"}, {60, "1:00.000"},   {90, "1:30.000"},
                {119.992, "1:59.992"}, {600, "10:00.000"}, {-0.5, "-00.500"}};
  for (const auto& row : labels) EXPECT_EQ(ScopePlot::TimeLabel(row.seconds), row.label);
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
