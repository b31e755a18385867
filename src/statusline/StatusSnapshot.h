#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What a status bar shows, taken from the view model at one moment. Every
// output format is a pure function of it.
struct StatusSnapshot
{
    // Whether the usage figures are current.
    enum class State {
        Fresh,   // from the latest fetch
        Kept,    // the last ones known, while the service holds requests back
        Missing, // none to show
    };

    struct Window
    {
        std::optional<double> utilization; // percent of the limit used
        std::optional<QString> resetsIn;   // "2 hr 5 min"
    };

    QString label; // the status-area text: "42% · 2 hr 5 min", or empty
    std::optional<Window> fiveHour;
    std::optional<Window> weekly;         // all models
    std::optional<qint64> todayTokens;    // absent without statistics
    std::optional<qint64> todayMessages;  // absent without statistics
    State state = State::Missing;
    QString reason; // why the figures are kept or missing; may be empty
};
