#pragma once

#include "statusline/StatusSnapshot.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// The line a status bar reads, in each bar's own format.
namespace StatusLineFormat {

enum class Format {
    Waybar,   // JSON: text, tooltip, class, percentage (a custom module with return-type json)
    I3blocks, // JSON: full_text, short_text, color (a block with format=json)
    Polybar,  // the text in %{F#rrggbb} colour tags (a script module)
    Plain,    // the status-area text alone
};

// From the name the user gives: waybar, i3blocks, polybar or plain.
std::optional<Format> fromName(QStringView name);
// The names, for messages: "waybar, i3blocks, polybar or plain".
QString names();

// What the bar shows when there is no text: a stand-in for the glyph.
inline constexpr char16_t standIn = u'\u2733';

// One line in UTF-8, without its line break.
QByteArray line(Format format, const StatusSnapshot& snapshot);

} // namespace StatusLineFormat
