#include "views/ContentView.h"

#include "model/DateFormats.h"
#include "model/StatsViewModel.h"
#include "glyph/MenuBarIcon.h"
#include "views/BorderlessButton.h"
#include "views/Divider.h"
#include "views/EmptyStateNotice.h"
#include "views/ModelBreakdownView.h"
#include "views/ScrollColumn.h"
#include "views/StyledLabel.h"
#include "views/SummaryFooter.h"
#include "views/SymbolView.h"
#include "views/TodayCard.h"
#include "views/UsageLimitsView.h"
#include "views/WeeklyChartView.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QWheelEvent>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

ContentView::ContentView(StatsViewModel& viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_time(new StyledLabel(u"time"_s, TextStyle::Caption2, Weight::Regular, Level::Tertiary, this))
    , m_usage(new UsageLimitsView(this))
    , m_today(new TodayCard(this))
    , m_chart(new WeeklyChartView(this))
    , m_models(new ModelBreakdownView(this))
    , m_footer(new SummaryFooter(this))
    , m_empty(new EmptyStateNotice(this))
    , m_scroll(new ScrollColumn(this))
{
    setObjectName(u"content"_s);
    setFixedWidth(PanelStyle::panelWidth);

    auto* glyph = new SymbolView(u"glyph"_s, Symbols::Symbol::Glyph, TextStyle::Body, this);
    glyph->setSide(int(MenuBarIcon::glyphSize));
    glyph->setTint(NamedColor::Orange);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Primary, this);
    title->setText(u"Claude Code Usage"_s);
    auto* header = new QHBoxLayout;
    header->setSpacing(PanelStyle::defaultSpacing);
    header->addWidget(glyph);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(m_time);

    auto* refresh = new BorderlessButton(u"refreshButton"_s, u"Refresh"_s, Level::Primary, this);
    auto* quit = new BorderlessButton(u"quitButton"_s, u"Quit"_s, Level::Secondary, this);
    connect(refresh, &QAbstractButton::clicked, &m_viewModel, &StatsViewModel::refresh);
    connect(quit, &QAbstractButton::clicked, this, &ContentView::quitRequested);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(PanelStyle::defaultSpacing);
    buttons->addWidget(refresh);
    buttons->addStretch(1);
    buttons->addWidget(quit);

    // Everything between the plan usage card and the divider scrolls when the
    // panel is held shorter than its content; the rows around it stay put.
    // The scroll area reaches into the right padding, where its bar shows.
    for (QWidget* section : {static_cast<QWidget*>(m_today), static_cast<QWidget*>(m_chart),
                             static_cast<QWidget*>(m_models), static_cast<QWidget*>(m_footer),
                             static_cast<QWidget*>(m_empty)})
        m_scroll->addSection(section);
    auto* usage = new QHBoxLayout;
    usage->addWidget(m_usage);
    auto* divider = new QHBoxLayout;
    divider->addWidget(new Divider(this));
    for (QLayout* row : {static_cast<QLayout*>(header), static_cast<QLayout*>(usage),
                         static_cast<QLayout*>(divider), static_cast<QLayout*>(buttons)})
        row->setContentsMargins(0, 0, PanelStyle::panelPadding, 0);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(PanelStyle::panelPadding, PanelStyle::panelPadding, 0, PanelStyle::panelPadding);
    column->setSpacing(PanelStyle::sectionSpacing);
    column->addLayout(header);
    column->addLayout(usage);
    column->addWidget(m_scroll);
    column->addLayout(divider);
    column->addLayout(buttons);

    connect(&m_viewModel, &StatsViewModel::changed, this, &ContentView::viewModelChanged);
    reload();
}

void ContentView::setLive(bool live)
{
    // A panel opens at its top.
    if (live && !m_live)
        m_scroll->verticalScrollBar()->setValue(0);
    m_live = live;
    if (m_live && m_stale)
        reload();
}

void ContentView::viewModelChanged()
{
    if (m_live)
        reload();
    else
        m_stale = true;
}

void ContentView::reload()
{
    m_stale = false;
    const std::optional<QDateTime>& lastRefresh = m_viewModel.lastRefresh();
    m_time->setTextIfChanged(lastRefresh ? DateFormats::shortTime(*lastRefresh) : QString());
    m_time->setVisible(lastRefresh.has_value());

    const std::optional<UsageResponse>& usage = m_viewModel.usage();
    if (usage)
        m_usage->setUsage(*usage, m_viewModel.clock().now());
    m_usage->setVisible(usage.has_value());

    const std::optional<StatsCache>& stats = m_viewModel.stats();
    if (stats) {
        const std::optional<DailyModelTokens> tokens = m_viewModel.todayModelTokens();
        const std::optional<DailyActivity> activity = m_viewModel.todayActivity();
        m_today->setValues(tokens ? tokens->totalTokens() : 0, activity ? activity->messageCount : 0,
                           activity ? activity->toolCallCount : 0);
        m_chart->setActivities(m_viewModel.last7DaysActivity());
        m_models->setModelUsage(stats->modelUsage);
        m_footer->setValues(stats->totalSessions, stats->totalMessages, m_viewModel.firstSessionFormatted());
    }
    for (QWidget* section : {static_cast<QWidget*>(m_today), static_cast<QWidget*>(m_chart),
                             static_cast<QWidget*>(m_models), static_cast<QWidget*>(m_footer)})
        section->setVisible(stats.has_value());
    m_empty->setVisible(!stats && !usage);
    // With usage figures alone the middle is empty and takes no room.
    m_scroll->setVisible(stats || !usage);
}

void ContentView::wheelEvent(QWheelEvent* event)
{
    // The wheel scrolls the middle wherever it turns over the panel.
    QCoreApplication::sendEvent(m_scroll->verticalScrollBar(), event);
}

void ContentView::changeEvent(QEvent* event)
{
    // Labels set their own text colour. Qt hands a new palette to the
    // children only after this returns, so restyle them in the next turn.
    if (event->type() == QEvent::PaletteChange) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (StyledLabel* label : findChildren<StyledLabel*>())
                    label->restyle();
            },
            Qt::QueuedConnection);
    }
    QWidget::changeEvent(event);
}
