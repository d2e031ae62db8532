// The plot's files: the data file (.scl: one line per point, tab-separated) and the property
// file (.scp: sections of key=value lines). Reading takes what it can and names every line
// it had to leave out.
#include <qcustomplot.h>

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <optional>

#include "core/logs.h"
#include "scope/scope_log.h"
#include "scope/scope_plot.h"

using basFunctions::ProgramError;
using basScope::LeftOutLine;

namespace {

// Format 2 keeps each value on its line, a line end written as "\n" and a backslash as "\\".
// Older files wrote a value's line end as it was, so its next line has no key.
const QString kFormat = QStringLiteral("2");
const QString kDataHeader = QStringLiteral("Channel\tSeconds\tValue");

QString shortest(double value) {
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}
QString flag(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString escaped(QString value) {
  value.replace(QChar('\\'), QStringLiteral("\\\\"));
  value.replace(QChar('\n'), QStringLiteral("\\n"));
  value.replace(QChar('\r'), QStringLiteral("\\r"));
  return value;
}

QString unescaped(const QString& value) {
  QString text;
  for (int i = 0; i < value.size(); ++i) {
    const QChar next = i + 1 < value.size() ? value[i + 1] : QChar();
    if (value[i] != QChar('\\') || (next != 'n' && next != 'r' && next != '\\')) {
      text += value[i];
      continue;
    }
    text += next == 'n' ? QChar('\n') : next == 'r' ? QChar('\r') : QChar('\\');
    ++i;
  }
  return text;
}

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

struct Entry {
  QString value;
  int line = 0;
};
using Sections = QMap<QString, QMap<QString, Entry>>;

Sections parseSections(const QStringList& lines, const QString& path, QStringList& problems) {
  Sections sections;
  QString current, lastKey;
  for (int i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QChar(';'))) {
      lastKey.clear();
    } else if (text.startsWith(QChar('[')) && text.endsWith(QChar(']'))) {
      current = text.mid(1, text.size() - 2);
      lastKey.clear();
    } else if (const int equals = line.indexOf(QChar('=')); equals > 0) {
      lastKey = line.left(equals).trimmed();
      sections[current][lastKey] = {line.mid(equals + 1), i + 1};
    } else if (!lastKey.isEmpty()) {
      sections[current][lastKey].value += QChar('\n') + line;
    } else {
      problems << LeftOutLine(path, i + 1, QStringLiteral("it is no key=value line"));
    }
  }
  if (sections.value(QStringLiteral("Plot")).value(QStringLiteral("Format")).value == kFormat)
    for (auto& keys : sections)
      for (Entry& entry : keys) entry.value = unescaped(entry.value);
  return sections;
}

// Reads the values of one section; a key that is missing, or whose value cannot be read, leaves
// that setting as it is (the latter is named among the problems).
struct SectionReader {
  const QMap<QString, Entry> keys;
  const QString& path;
  QStringList& problems;

  bool has(const char* key) const { return keys.contains(QString::fromLatin1(key)); }
  QString text(const char* key) const { return keys.value(QString::fromLatin1(key)).value; }
  template <class T>
  std::optional<T> refused(const char* key, const char* what) const {
    const Entry entry = keys.value(QString::fromLatin1(key));
    problems << LeftOutLine(path, entry.line,
                            QStringLiteral("%1 \"%2\" is not %3")
                                .arg(QLatin1String(key), entry.value, QLatin1String(what)));
    return std::nullopt;
  }
  std::optional<bool> flag(const char* key) const {
    if (!has(key)) return std::nullopt;
    if (text(key) == QLatin1String("true") || text(key) == QLatin1String("false"))
      return text(key) == QLatin1String("true");
    return refused<bool>(key, "true or false");
  }
  std::optional<double> number(const char* key) const {
    if (!has(key)) return std::nullopt;
    bool ok = false;
    const double value = text(key).toDouble(&ok);
    if (ok && std::isfinite(value)) return value;
    return refused<double>(key, "a number");
  }
  std::optional<QColor> colour(const char* key) const {
    if (!has(key)) return std::nullopt;
    const QColor value(text(key));
    if (value.isValid()) return value;
    return refused<QColor>(key, "a colour");
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

QStringList ScopePlot::LoadData(const QString& path) {
  const QStringList lines = readLines(path);
  QStringList problems;
  std::array<QVector<QPointF>, kChannels> points;
  for (int i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    if (line.trimmed().isEmpty() || line == kDataHeader) continue;
    const QStringList fields = line.split(QChar('\t'));
    bool okChannel = false, okKey = false, okValue = false;
    const int channel = fields.value(0).toInt(&okChannel) - 1;
    const double key = fields.value(1).toDouble(&okKey);
    const double value = fields.value(2).toDouble(&okValue);
    QString why;
    if (fields.size() != 3)
      why = QStringLiteral("it holds %1 tab-separated fields, not 3").arg(fields.size());
    else if (!okChannel || channel < 0 || channel >= kChannels)
      why = QStringLiteral("channel \"%1\" is not 1, 2 or 3").arg(fields[0]);
    else if (!okKey || !std::isfinite(key))
      why = QStringLiteral("time \"%1\" is not a number").arg(fields[1]);
    else if (!okValue || !std::isfinite(value))
      why = QStringLiteral("value \"%1\" is not a number").arg(fields[2]);
    if (!why.isEmpty()) {
      problems << LeftOutLine(path, i + 1, why);
      continue;
    }
    points[channel].append(QPointF(key, value));
  }
  ClearAllData();
  for (int c = 0; c < kChannels; ++c) AppendSortedPoints(c, points[c]);
  return problems;
}

// Points in any order: sorted by time first, so that breaks fall where samples are missing.
void ScopePlot::AppendSortedPoints(int channel, QVector<QPointF> points) {
  std::stable_sort(points.begin(), points.end(),
                   [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
  QVector<double> keys, values;
  for (const QPointF& point : points) keys << point.x(), values << point.y();
  AppendPoints(channel, keys, values);
}

void ScopePlot::SaveProperties(const QString& path) const {
  QStringList lines{QStringLiteral("; Scope plot properties")};
  auto section = [&](const QString& name) { lines << QString() << QChar('[') + name + QChar(']'); };
  auto key = [&](const char* name, const QString& value) {
    lines << QString::fromLatin1(name) + QChar('=') + escaped(value);
  };
  section(QStringLiteral("Plot"));
  key("Format", kFormat);
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

QStringList ScopePlot::LoadProperties(const QString& path) {
  QStringList problems;
  const Sections sections = parseSections(readLines(path), path, problems);
  auto reader = [&](const QString& name) {
    return SectionReader{sections.value(name), path, problems};
  };
  const SectionReader plot = reader(QStringLiteral("Plot"));
  for (int label = 0; label < 2; ++label) {
    if (plot.has(label == 0 ? "Title" : "LostData"))
      SetLabel(label, plot.text(label == 0 ? "Title" : "LostData"));
    if (auto colour = plot.colour(label == 0 ? "TitleColour" : "LostDataColour"))
      SetLabelColour(label, *colour);
    if (auto visible = plot.flag(label == 0 ? "TitleVisible" : "LostDataVisible"))
      SetLabelVisible(label, *visible);
  }
  if (auto legend = plot.flag("Legend")) SetLegendVisible(*legend);
  const SectionReader x = reader(QStringLiteral("XAxis"));
  const auto start = x.number("Start"), span = x.number("Span");
  if (start && span) SetXAxis(*start, *span);
  for (int c = 0; c < kChannels; ++c) {
    const SectionReader channel = reader(QStringLiteral("Channel%1").arg(c + 1));
    if (channel.has("Title")) SetChannelTitle(c, channel.text("Title"));
    if (auto visible = channel.flag("Visible")) SetChannelVisible(c, *visible);
    if (auto colour = channel.colour("Colour")) SetChannelColour(c, *colour);
    if (auto width = channel.number("Width")) SetTraceWidth(c, int(std::clamp(*width, 0.0, 20.0)));
    if (auto markers = channel.flag("Markers")) SetMarkers(c, *markers);
    if (auto keep = channel.number("KeepPoints"))
      SetKeepPoints(c, int(std::clamp(*keep, 0.0, 1e8)));
    const SectionReader axis = reader(QStringLiteral("YAxis%1").arg(c + 1));
    if (axis.has("Title")) SetYTitle(c, axis.text("Title"));
    if (auto visible = axis.flag("Visible")) SetYAxisVisible(c, *visible);
    const auto minimum = axis.number("Minimum"), ySpan = axis.number("Span");
    if (minimum && ySpan) SetYRange(c, *minimum, *ySpan);
  }
  const SectionReader cursor = reader(QStringLiteral("DataCursor"));
  if (auto channel = cursor.number("Channel"); channel && *channel >= 1 && *channel <= kChannels)
    SetDataCursorChannel(int(*channel) - 1);
  const int mode = CursorModeNames().indexOf(cursor.text("Mode"));
  if (mode >= 0) SetDataCursorMode(static_cast<CursorMode>(mode));
  if (auto shown = cursor.flag("Shown")) SetDataCursorShown(*shown);
  const SectionReader measure = reader(QStringLiteral("MeasureCursors"));
  if (auto shown = measure.flag("Shown")) SetMeasureCursorsShown(*shown);
  if (auto a = measure.number("A")) SetMeasureCursor(0, *a);
  if (auto b = measure.number("B")) SetMeasureCursor(1, *b);
  return problems;
}

// What a plot shows before any property file: as the scope window's plot is built.
void ScopePlot::RestoreDefaultAppearance() {
  SetLabel(0, QString());
  SetLabelColour(0, Qt::black);
  SetLabelVisible(0, true);
  SetLabelVisible(1, false);
  SetLegendVisible(true);
  for (int c = 0; c < kChannels; ++c) {
    SetChannelTitle(c, QStringLiteral("Channel %1").arg(c + 1));
    SetChannelVisible(c, true);
    SetChannelColour(c, DefaultColour(c));
    SetTraceWidth(c, 1);
    SetMarkers(c, false);
    SetKeepPoints(c, 0);
    SetYTitle(c, QString());
    SetYAxisVisible(c, true);
  }
  SetDataCursorShown(false);
  SetMeasureCursorsShown(false);
}

// Each Y axis spans its channel's points with a little room above and below.
void ScopePlot::FitYAxesToData() {
  for (int c = 0; c < kChannels; ++c) {
    bool found = false;
    QCPRange range = graphs_[c]->getValueRange(found);
    if (!found) continue;
    const double room = std::max(range.size() * 0.05, 1.0);
    yAxes_[c]->setRange(range.lower - room, range.upper + room);
  }
  markChanged();
}
