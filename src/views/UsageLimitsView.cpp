#include "views/UsageLimitsView.h"

#include "model/TokenFormatter.h"
#include "model/UsageFigures.h"
#include "views/StyledLabel.h"
#include "views/UsageBar.h"

#include <QBoxLayout>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

namespace {

std::optional<QString> resetSubtitle(const UsageWindow& window, const QDateTime& now)
{
    const std::optional<QString> left = window.timeUntilReset(now);
    if (!left)
        return std::nullopt;
    return u"Resets in "_s + *left;
}

// Shows the bar for a window that has a utilization, hides it otherwise.
void showWindow(UsageBar* bar, const std::optional<UsageWindow>& window, std::chrono::seconds length,
                const QString& label, const QDateTime& now, const QString& unusedSubtitle = {})
{
    if (!window || !window->utilization) {
        bar->hide();
        return;
    }
    const double utilization = *window->utilization;
    // Zero of either sign means the family has not been used in the window.
    const bool unused = !unusedSubtitle.isEmpty() && utilization == 0;
    bar->setValues(label, unused ? std::optional<QString>(unusedSubtitle) : resetSubtitle(*window, now), utilization,
                   UsageFigures::elapsedShare(*window, length, now));
    bar->show();
}

} // namespace

UsageLimitsView::UsageLimitsView(QWidget* parent)
    : BoxFrame(parent)
    , m_currentSession(new UsageBar(u"currentSession"_s, this))
    , m_allModels(new UsageBar(u"allModels"_s, this))
    , m_sonnet(new UsageBar(u"sonnetOnly"_s, this))
    , m_opus(new UsageBar(u"opusOnly"_s, this))
    , m_extraRow(new QWidget(this))
    , m_extraSpent(new StyledLabel(u"extraSpent"_s, TextStyle::Caption, Weight::Medium, Level::Primary, m_extraRow))
    , m_extraDisabled(
          new StyledLabel(u"extraDisabled"_s, TextStyle::Caption, Weight::Regular, Level::Tertiary, m_extraRow))
{
    setObjectName(u"usageLimits"_s);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Secondary, this);
    title->setText(u"Plan Usage Limits"_s);

    auto* weekly = new QWidget(this);
    weekly->setObjectName(u"weekly"_s);
    auto* weeklyTitle =
        new StyledLabel(u"weeklyTitle"_s, TextStyle::Subheadline, Weight::Medium, Level::Primary, weekly);
    weeklyTitle->setText(u"Weekly limits"_s);
    auto* weeklyColumn = new QVBoxLayout(weekly);
    weeklyColumn->setContentsMargins(0, 0, 0, 0);
    weeklyColumn->setSpacing(PanelStyle::titleGap);
    weeklyColumn->addWidget(weeklyTitle);
    for (UsageBar* bar : {m_allModels, m_sonnet, m_opus}) {
        bar->setParent(weekly);
        weeklyColumn->addWidget(bar);
    }

    m_extraRow->setObjectName(u"extraUsage"_s);
    auto* extraLabel =
        new StyledLabel(u"extraLabel"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, m_extraRow);
    extraLabel->setText(u"Extra usage"_s);
    m_extraDisabled->setText(u"Disabled"_s);
    // An absurd amount keeps its first digits and its end: "$1000…00.00 spent".
    m_extraSpent->setElideMode(Qt::ElideMiddle);
    auto* extraLine = new QHBoxLayout(m_extraRow);
    extraLine->setContentsMargins(0, 0, 0, 0);
    extraLine->setSpacing(PanelStyle::defaultSpacing);
    extraLine->addWidget(extraLabel);
    extraLine->addStretch(1);
    extraLine->addWidget(m_extraSpent);
    extraLine->addWidget(m_extraDisabled);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(PanelStyle::boxPadding);
    column->setSpacing(PanelStyle::usageCardSpacing);
    column->addWidget(title);
    column->addWidget(m_currentSession);
    column->addWidget(weekly);
    column->addWidget(m_extraRow);
}

void UsageLimitsView::setUsage(const UsageResponse& usage, const QDateTime& now)
{
    using UsageFigures::sessionWindow;
    using UsageFigures::weeklyWindow;
    showWindow(m_currentSession, usage.fiveHour, sessionWindow, u"Current session"_s, now);
    showWindow(m_allModels, usage.sevenDay, weeklyWindow, u"All models"_s, now);
    showWindow(m_sonnet, usage.sevenDaySonnet, weeklyWindow, u"Sonnet only"_s, now, u"You haven't used Sonnet yet"_s);
    showWindow(m_opus, usage.sevenDayOpus, weeklyWindow, u"Opus only"_s, now, u"You haven't used Opus yet"_s);

    m_extraRow->setVisible(usage.extraUsage.has_value());
    if (usage.extraUsage) {
        const bool enabled = usage.extraUsage->isEnabled.value_or(false);
        m_extraSpent->setTextIfChanged(spentText(usage.extraUsage->usedCredits.value_or(0)));
        m_extraSpent->setVisible(enabled);
        m_extraDisabled->setVisible(!enabled);
    }
}

QString UsageLimitsView::spentText(double credits)
{
    return u'$' + TokenFormatter::fixed(credits, 2) + u" spent"_s;
}
