#pragma once

#include "usage/UsageResponse.h"
#include "views/BoxFrame.h"

#include <QDateTime>

class StyledLabel;
class UsageBar;

// The plan usage card: the current five-hour session, the weekly limits
// (all models, Sonnet, Opus) and the extra-usage line, each shown only when
// the reply carries it.
class UsageLimitsView : public BoxFrame
{
    Q_OBJECT

public:
    explicit UsageLimitsView(QWidget* parent = nullptr);

    // `now` is the moment the reset times count down from.
    void setUsage(const UsageResponse& usage, const QDateTime& now);

    // "$12.50 spent": two decimals rounded as printf does, and a full stop,
    // in every locale.
    static QString spentText(double credits);

private:
    UsageBar* m_currentSession;
    UsageBar* m_allModels;
    UsageBar* m_sonnet;
    UsageBar* m_opus;
    QWidget* m_extraRow;
    StyledLabel* m_extraSpent;
    StyledLabel* m_extraDisabled;
};
