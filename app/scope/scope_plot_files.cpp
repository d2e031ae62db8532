// The plot's files and paper: the data file (.scl: one line per point, tab-separated), the
// property file (.scp: sections of key=value lines), printing and picture export.
#include <qcustomplot.h>

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include "scope/scope_plot.h"
#include "shell/host.h"
#include "shell/logs.h"
#include "shell/prompt.h"

using basFunctions::ProgramError;

namespace {

using Sections = QMap<QString, QMap<QString, QString>>;

const QString kDataHeader = QStringLiteral("Channel\tSeconds\tValue");

QString shortest(double value) {
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}
QString flag(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

void writeLines(const QString& path, const QStringList& lines) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw ProgramError(75, "Path/File access error");
  for (const QString& line : lines) file.write((line + QStringLiteral("\r\n")).toUtf8());
  if (!file.commit()) throw ProgramError(75, "Path/File access error");
}

QStringList readLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw ProgramError(53, "File not found");
  QStringList lines;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    QString line = QString::fromUtf8(raw);
    if (line.endsWith(QChar('\r'))) line.chop(1);
    lines << line;
  }
  return lines;
}

Sections parseSections(const QStringList& lines) {
  Sections sections;
  QString current;
  for (const QString& line : lines) {
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QChar(';'))) continue;
    if (text.startsWith(QChar('[')) && text.endsWith(QChar(']'))) {
      current = text.mid(1, text.size() - 2);
      continue;
    }
    const int equals = line.indexOf(QChar('='));
    if (equals > 0) sections[current][line.left(equals).trimmed()] = line.mid(equals + 1);
  }
  return sections;
}

// Reads one value of a section when present; absent keys leave the plot as it is.
struct SectionReader {
  const QMap<QString, QString>& keys;
  bool has(const char* key) const { return keys.contains(QString::fromLatin1(key)); }
  QString text(const char* key) const { return keys.value(QString::fromLatin1(key)); }
  bool flag(const char* key) const { return text(key) == QLatin1String("true"); }
  double number(const char* key) const {
    bool ok = false;
    const double value = text(key).toDouble(&ok);
    if (!ok) throw ProgramError(13, "Type mismatch");
    return value;
  }
  QColor colour(const char* key) const {
    const QColor value(text(key));
    if (!value.isValid()) throw ProgramError(13, "Type mismatch");
    return value;
  }
};

}  // namespace

void ScopePlot::SaveData(const QString& path) const {
  QStringList lines{kDataHeader};
  for (int c = 0; c < kChannels; ++c)
    for (const QPointF& p : Points(c))
      lines << QString::number(c + 1) + QChar('\t') + shortest(p.x()) + QChar('\t') +
                   shortest(p.y());
  writeLines(path, lines);
}

void ScopePlot::LoadData(const QString& path) {
  const QStringList lines = readLines(path);
  std::array<QVector<double>, kChannels> keys, values;
  for (const QString& line : lines) {
    if (line.trimmed().isEmpty() || line == kDataHeader) continue;
    const QStringList fields = line.split(QChar('\t'));
    bool okChannel = false, okKey = false, okValue = false;
    const int channel = fields.value(0).toInt(&okChannel) - 1;
    const double key = fields.value(1).toDouble(&okKey);
    const double value = fields.value(2).toDouble(&okValue);
    if (fields.size() != 3 || !okChannel || !okKey || !okValue || channel < 0 ||
        channel >= kChannels)
      throw ProgramError(13, "Type mismatch");
    keys[channel].append(key);
    values[channel].append(value);
  }
  for (int c = 0; c < kChannels; ++c) {
    graphs_[c]->data()->clear();
    graphs_[c]->addData(keys[c], values[c]);
  }
  markChanged();
}

void ScopePlot::SaveProperties(const QString& path) const {
  QStringList lines{QStringLiteral("; Scope plot properties")};
  auto section = [&](const QString& name) { lines << QString() << QChar('[') + name + QChar(']'); };
  auto key = [&](const char* name, const QString& value) {
    lines << QString::fromLatin1(name) + QChar('=') + value;
  };
  section(QStringLiteral("Plot"));
  for (int label = 0; label < 2; ++label) {
    const char* prefix = label == 0 ? "Title" : "LostData";
    key(prefix, Label(label));
    key(label == 0 ? "TitleColour" : "LostDataColour", LabelColour(label).name());
    key(label == 0 ? "TitleVisible" : "LostDataVisible", flag(LabelVisible(label)));
  }
  key("Legend", flag(LegendVisible()));
  section(QStringLiteral("XAxis"));
  key("Start", shortest(XStart()));
  key("Span", shortest(XSpan()));
  for (int c = 0; c < kChannels; ++c) {
    section(QStringLiteral("Channel%1").arg(c + 1));
    key("Title", ChannelTitle(c));
    key("Visible", flag(ChannelVisible(c)));
    key("Colour", ChannelColour(c).name());
    key("Width", QString::number(TraceWidth(c)));
    key("Markers", flag(markers_[c]));
    key("KeepPoints", QString::number(keep_[c]));
    section(QStringLiteral("YAxis%1").arg(c + 1));
    key("Title", YTitle(c));
    key("Visible", flag(YAxisVisible(c)));
    key("Minimum", shortest(YMinimum(c)));
    key("Span", shortest(YSpan(c)));
  }
  section(QStringLiteral("DataCursor"));
  key("Shown", flag(DataCursorShown()));
  key("Channel", QString::number(cursorChannel_ + 1));
  key("Mode", CursorModeNames()[cursorMode_]);
  section(QStringLiteral("MeasureCursors"));
  key("Shown", flag(MeasureCursorsShown()));
  key("A", shortest(measure_[0]));
  key("B", shortest(measure_[1]));
  writeLines(path, lines);
}

void ScopePlot::LoadProperties(const QString& path) {
  const Sections sections = parseSections(readLines(path));
  const SectionReader plot{sections[QStringLiteral("Plot")]};
  for (int label = 0; label < 2; ++label) {
    const char* name = label == 0 ? "Title" : "LostData";
    if (plot.has(name)) SetLabel(label, plot.text(name));
    if (plot.has(label == 0 ? "TitleColour" : "LostDataColour"))
      SetLabelColour(label, plot.colour(label == 0 ? "TitleColour" : "LostDataColour"));
    if (plot.has(label == 0 ? "TitleVisible" : "LostDataVisible"))
      SetLabelVisible(label, plot.flag(label == 0 ? "TitleVisible" : "LostDataVisible"));
  }
  if (plot.has("Legend")) SetLegendVisible(plot.flag("Legend"));
  const SectionReader x{sections[QStringLiteral("XAxis")]};
  if (x.has("Start") && x.has("Span")) SetXAxis(x.number("Start"), x.number("Span"));
  for (int c = 0; c < kChannels; ++c) {
    const SectionReader channel{sections[QStringLiteral("Channel%1").arg(c + 1)]};
    if (channel.has("Title")) SetChannelTitle(c, channel.text("Title"));
    if (channel.has("Visible")) SetChannelVisible(c, channel.flag("Visible"));
    if (channel.has("Colour")) SetChannelColour(c, channel.colour("Colour"));
    if (channel.has("Width")) SetTraceWidth(c, static_cast<int>(channel.number("Width")));
    if (channel.has("Markers")) SetMarkers(c, channel.flag("Markers"));
    if (channel.has("KeepPoints")) SetKeepPoints(c, static_cast<int>(channel.number("KeepPoints")));
    const SectionReader axis{sections[QStringLiteral("YAxis%1").arg(c + 1)]};
    if (axis.has("Title")) SetYTitle(c, axis.text("Title"));
    if (axis.has("Visible")) SetYAxisVisible(c, axis.flag("Visible"));
    if (axis.has("Minimum") && axis.has("Span"))
      SetYRange(c, axis.number("Minimum"), axis.number("Span"));
  }
  const SectionReader cursor{sections[QStringLiteral("DataCursor")]};
  if (cursor.has("Channel")) {
    const int channel = static_cast<int>(cursor.number("Channel")) - 1;
    if (channel >= 0 && channel < kChannels) SetDataCursorChannel(channel);
  }
  const int mode = CursorModeNames().indexOf(cursor.text("Mode"));
  if (mode >= 0) SetDataCursorMode(static_cast<CursorMode>(mode));
  if (cursor.has("Shown")) SetDataCursorShown(cursor.flag("Shown"));
  const SectionReader measure{sections[QStringLiteral("MeasureCursors")]};
  if (measure.has("Shown")) SetMeasureCursorsShown(measure.flag("Shown"));
  if (measure.has("A")) SetMeasureCursor(0, measure.number("A"));
  if (measure.has("B")) SetMeasureCursor(1, measure.number("B"));
}

// The page gets the plot as laid out on screen, scaled to fit, on white paper.
void ScopePlot::Print(QPrinter& printer) {
  emit beforePrint();
  ReplotIfChanged();
  const QCPAxisRect* rect = plot_->axisRect();
  const QPixmap background = rect->background();
  plot_->axisRect()->setBackground(QPixmap());
  lostData_->setVisible(lostDataShown_);
  const int width = std::max(plot_->width(), 800);
  const int height = std::max(plot_->height(), 500);
  QCPPainter painter;
  const bool started = painter.begin(&printer);
  if (started) {
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(page.width() / width, page.height() / height);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(scale, scale);
    plot_->toPainter(&painter, width, height);
    painter.end();
  }
  plot_->axisRect()->setBackground(background, true, Qt::IgnoreAspectRatio);
  lostData_->setVisible(false);
  markChanged();
  emit afterPrint();
  if (!started) throw ProgramError(482, "Printer error");
}

void ScopePlot::PrintWithDialog() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, window());
  if (dialog.exec() == QDialog::Accepted) Print(printer);
}

bool ScopePlot::Export(const QString& path) {
  ReplotIfChanged();
  const int width = std::max(plot_->width(), 800);
  const int height = std::max(plot_->height(), 500);
  lostData_->setVisible(lostDataShown_);
  const bool pdf = QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
  const bool saved =
      pdf ? plot_->savePdf(path, width, height) : plot_->savePng(path, width, height);
  lostData_->setVisible(false);
  markChanged();
  return saved;
}

void ScopePlot::exportWithDialog() {
  QString path = prompt::GetSaveFileName(QStringLiteral("Export Plot"),
                                         host::ProgramFolder() + QStringLiteral("/ScopeLogs"),
                                         QStringLiteral("PNG image (*.png);;PDF document (*.pdf)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
  if (!Export(path)) throw ProgramError(75, "Path/File access error");
}
