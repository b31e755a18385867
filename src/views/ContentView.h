#pragma once

#include <QWidget>

class EmptyStateNotice;
class ModelBreakdownView;
class ScrollColumn;
class StatsViewModel;
class StyledLabel;
class SummaryFooter;
class TodayCard;
class UsageLimitsView;
class WeeklyChartView;

// The panel: header with glyph, title and refresh time; the plan usage card;
// today's tiles, the weekly chart, the model breakdown and the footer (or a
// notice when nothing is known); then Refresh and Quit. Held to a maximum
// height shorter than its content, the middle scrolls.
//
// Every section exists once and is updated in place from the view model on
// each change; sections come and go by showing and hiding, so steady updates
// neither flicker nor allocate widgets.
class ContentView : public QWidget
{
    Q_OBJECT

public:
    explicit ContentView(StatsViewModel& viewModel, QWidget* parent = nullptr);

    // Brings every section up to date with the view model.
    void reload();

    // While the panel is closed there is nothing to redraw: changes are only
    // noted, and the sections catch up when it goes live again.
    void setLive(bool live);

signals:
    void quitRequested();

protected:
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void viewModelChanged();

    StatsViewModel& m_viewModel;
    bool m_live = true;
    bool m_stale = false;
    StyledLabel* m_time;
    UsageLimitsView* m_usage;
    TodayCard* m_today;
    WeeklyChartView* m_chart;
    ModelBreakdownView* m_models;
    SummaryFooter* m_footer;
    EmptyStateNotice* m_empty;
    ScrollColumn* m_scroll;
};
