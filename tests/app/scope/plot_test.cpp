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
#include "scope/scope_analysis_panel.h"
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

TEST(ScopePlotTest, StepAndSpectrumFiguresOfTheChosenRangeAreMarkedPrintedAndExported) {
  apptest::ProgramFolder folder;
  ScopePlot plot;
  plot.resize(1100, 500);
  plot.show();
  // Channel 1: 0 to 1000 from 1 s with a time constant of 50 ms; channel 2: a 20 Hz sine.
  appendWave(plot, 0, 375, [](int i) {
    const double t = i * 0.008;
    return t < 1 ? 0.0 : 1000 * (1 - std::exp(-(t - 1) / 0.05));
  });
  appendWave(plot, 1, 375, [](int i) { return 50 * std::sin(2 * M_PI * 20 * i * 0.008); });
  plot.SetXAxis(0, 3);
  QTemporaryDir dir;
  ASSERT_TRUE(plot.Export(dir.filePath("plain.pdf")));
  plot.SetAnalysisShown(true);
  ScopeAnalysisPanel* panel = plot.Analysis();
  panel->Update();
  ASSERT_TRUE(panel->figures());
  EXPECT_NEAR(panel->figures()->step.riseTime, 0.05 * std::log(9), 0.002);
  EXPECT_EQ(plot.StepMarkCount(), 4);  // 10 %, 90 %, +-5 %, +-2 %: no overshoot to mark

  panel->SetRange(ScopeAnalysisPanel::BetweenCursors);
  EXPECT_TRUE(plot.MeasureCursorsShown());
  plot.SetMeasureCursor(0, 1.6);
  plot.SetMeasureCursor(1, 0.9);
  panel->Update();
  EXPECT_EQ(panel->figures()->from, 0.9);
  EXPECT_NEAR(panel->figures()->step.settle2, 1 + 0.05 * std::log(50) - 0.904, 0.003);
  panel->SetRange(ScopeAnalysisPanel::VisibleRange);
  panel->SetChannel(1);
  ASSERT_FALSE(panel->figures()->spectrum.peaks.empty());
  EXPECT_NEAR(panel->figures()->spectrum.peaks[0].hz, 20, 0.05);
  EXPECT_EQ(plot.StepMarkCount(), 0);

  // On paper the figures and the spectrum come below the plot.
  ASSERT_TRUE(plot.Export(dir.filePath("figures.pdf")));
  EXPECT_GT(QFileInfo(dir.filePath("figures.pdf")).size(),
            QFileInfo(dir.filePath("plain.pdf")).size() + 2000);

  const QString csv = dir.filePath("figures.csv");
  prompt::ScriptReplies({apptest::Text(csv), apptest::Answer(prompt::Ok)});
  prompt::ClearShownPrompts();
  panel->SetChannel(0);
  panel->ExportFiguresWithDialog();
  EXPECT_EQ(apptest::ShownSummary().value(1), "MsgBox: File Saved | " + csv + " has been saved.");
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
  ASSERT_GT(lines.size(), 200);
  EXPECT_EQ(lines[2], "Channel,Channel 1");
  EXPECT_EQ(lines[3], "Range,Visible Range,0.000,3.000");
  EXPECT_EQ(lines.mid(4, 6),
            (QStringList{"Initial value,0", "Final value,1000", "Rise time 10-90 % (s),0.110",
                         "Overshoot (%),0.0", "Settling time 2 % (s),1.188",
                         "Settling time 5 % (s),1.142"}));
  EXPECT_EQ(lines[10], "Spectrum,Hann window,375 samples,0 filled in,Nyquist 62.5 Hz");
  const double lastBin = lines[lines.size() - 2].section(',', 0, 0).toDouble();  // up to Nyquist
  EXPECT_GT(lastBin, 62.3);
  EXPECT_LE(lastBin, 62.5);

  // New data, as after new gains: the figures follow on their own.
  plot.ClearAllData();
  appendWave(plot, 0, 375, [](int i) { return i * 0.008 < 1 ? 0.0 : 500.0; });
  ASSERT_TRUE(apptest::WaitFor([&] { return panel->figures()->step.final == 500; }, 3000));
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
