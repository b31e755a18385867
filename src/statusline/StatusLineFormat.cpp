#include "statusline/StatusLineFormat.h"

#include "model/NamedColor.h"
#include "model/TokenFormatter.h"
#include "model/UsageFigures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using State = StatusSnapshot::State;

namespace {

const QString waybarName = u"waybar"_s;
const QString i3blocksName = u"i3blocks"_s;
const QString polybarName = u"polybar"_s;
const QString plainName = u"plain"_s;

// The label, or the glyph's stand-in when it is empty.
QString text(const StatusSnapshot& snapshot)
{
    return snapshot.label.isEmpty() ? QString(QChar(StatusLineFormat::standIn)) : snapshot.label;
}

std::optional<double> fiveHourUtilization(const StatusSnapshot& snapshot)
{
    return snapshot.fiveHour ? snapshot.fiveHour->utilization : std::nullopt;
}

// The level of the five-hour figure, the same rule the panel's bars colour by.
UsageFigures::Level level(const StatusSnapshot& snapshot)
{
    return UsageFigures::level(fiveHourUtilization(snapshot).value_or(0));
}

// The bar colours on a dark bar; gray when the figures are not current.
QString color(const StatusSnapshot& snapshot)
{
    const NamedColor named =
        snapshot.state == State::Fresh ? UsageFigures::color(level(snapshot)) : NamedColor::Gray;
    const Rgb rgb = rgbOf(named, Appearance::Dark);
    return QString::asprintf("#%02x%02x%02x", unsigned(rgb.red), unsigned(rgb.green), unsigned(rgb.blue));
}

QString cssClass(const StatusSnapshot& snapshot)
{
    switch (snapshot.state) {
    case State::Kept:
        return u"stale"_s;
    case State::Missing:
        return u"unavailable"_s;
    case State::Fresh:
        break;
    }
    switch (level(snapshot)) {
    case UsageFigures::Level::Critical:
        return u"critical"_s;
    case UsageFigures::Level::Warning:
        return u"warning"_s;
    case UsageFigures::Level::Normal:
        break;
    }
    return u"normal"_s;
}

std::optional<QString> windowLine(const QString& name, const std::optional<StatusSnapshot::Window>& window)
{
    if (!window || !window->utilization)
        return std::nullopt;
    const std::optional<qint64> whole = UsageFigures::wholePercent(*window->utilization);
    QString line = name + u": "_s + (whole ? QString::number(*whole) + u'%' : u"?"_s);
    if (window->resetsIn)
        line += u", resets in "_s + *window->resetsIn;
    return line;
}

QString tooltip(const StatusSnapshot& snapshot)
{
    QStringList lines;
    if (const auto line = windowLine(u"Current session"_s, snapshot.fiveHour))
        lines << *line;
    if (const auto line = windowLine(u"Weekly, all models"_s, snapshot.weekly))
        lines << *line;
    if (snapshot.state == State::Missing && lines.isEmpty())
        lines << u"No plan usage figures"_s;
    if (!snapshot.reason.isEmpty())
        lines << snapshot.reason;
    if (snapshot.todayTokens && snapshot.todayMessages)
        lines << u"Today: %1 tokens, %2 messages"_s.arg(TokenFormatter::format(*snapshot.todayTokens),
                                                        TokenFormatter::formatCount(*snapshot.todayMessages));
    return lines.join(u'\n');
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray waybar(const StatusSnapshot& snapshot)
{
    // Waybar reads both texts as Pango markup.
    QJsonObject object{
        {u"text"_s, text(snapshot).toHtmlEscaped()},
        {u"tooltip"_s, tooltip(snapshot).toHtmlEscaped()},
        {u"class"_s, cssClass(snapshot)},
    };
    // For format-icons, which take 0 to 100.
    if (const auto utilization = fiveHourUtilization(snapshot))
        if (const auto whole = UsageFigures::wholePercent(*utilization))
            object.insert(u"percentage"_s, std::clamp<qint64>(*whole, 0, 100));
    return compact(object);
}

QByteArray i3blocks(const StatusSnapshot& snapshot)
{
    const std::optional<double> utilization = fiveHourUtilization(snapshot);
    const std::optional<qint64> whole = utilization ? UsageFigures::wholePercent(*utilization) : std::nullopt;
    return compact(QJsonObject{
        {u"full_text"_s, text(snapshot)},
        {u"short_text"_s, whole ? QString::number(*whole) + u'%' : text(snapshot)},
        {u"color"_s, color(snapshot)},
    });
}

QByteArray polybar(const StatusSnapshot& snapshot)
{
    return (u"%{F"_s + color(snapshot) + u'}' + text(snapshot) + u"%{F-}"_s).toUtf8();
}

} // namespace

std::optional<StatusLineFormat::Format> StatusLineFormat::fromName(QStringView name)
{
    if (name == waybarName)
        return Format::Waybar;
    if (name == i3blocksName)
        return Format::I3blocks;
    if (name == polybarName)
        return Format::Polybar;
    if (name == plainName)
        return Format::Plain;
    return std::nullopt;
}

QString StatusLineFormat::names()
{
    return waybarName + u", "_s + i3blocksName + u", "_s + polybarName + u" or "_s + plainName;
}

QByteArray StatusLineFormat::line(Format format, const StatusSnapshot& snapshot)
{
    switch (format) {
    case Format::Waybar:
        return waybar(snapshot);
    case Format::I3blocks:
        return i3blocks(snapshot);
    case Format::Polybar:
        return polybar(snapshot);
    case Format::Plain:
        break;
    }
    return snapshot.label.toUtf8();
}
