#include "views/UsageBar.h"

#include "model/UsageFigures.h"
#include "views/StyledLabel.h"
#include "views/UsageTrack.h"

#include <QBoxLayout>


using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

UsageBar::UsageBar(const QString& objectName, QWidget* parent)
    : QWidget(parent)
    , m_label(new StyledLabel(u"label"_s, TextStyle::Callout, Weight::Medium, Level::Primary, this))
    , m_subtitle(new StyledLabel(u"subtitle"_s, TextStyle::Caption2, Weight::Regular, Level::Tertiary, this))
    , m_percent(new StyledLabel(u"percent"_s, TextStyle::Callout, Weight::Regular, Level::Secondary, this))
    , m_track(new UsageTrack(this))
{
    setObjectName(objectName);
    m_track->setObjectName(u"track"_s);
    // The figure on the right stays whole; the texts beside it give way.
    m_label->setElideMode(Qt::ElideRight);
    m_subtitle->setElideMode(Qt::ElideRight);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(PanelStyle::lineGap);
    texts->addWidget(m_label);
    texts->addWidget(m_subtitle);

    auto* row = new QHBoxLayout;
    row->setSpacing(PanelStyle::defaultSpacing);
    row->addLayout(texts);
    row->addStretch(1);
    row->addWidget(m_percent);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(PanelStyle::barLabelGap);
    column->addLayout(row);
    column->addWidget(m_track);
}

void UsageBar::setValues(const QString& label, const std::optional<QString>& subtitle, double percentage,
                         std::optional<double> elapsedShare)
{
    m_label->setTextIfChanged(label);
    m_subtitle->setTextIfChanged(subtitle.value_or(QString()));
    m_subtitle->setVisible(subtitle.has_value());
    const std::optional<qint64> whole = UsageFigures::wholePercent(percentage);
    m_percent->setTextIfChanged(whole ? QString::number(*whole) + u"% used"_s : QString());
    m_percent->setVisible(whole.has_value());
    m_track->setPercentage(percentage);
    m_track->setPace(elapsedShare);
    const QString pace = elapsedShare ? UsageFigures::paceText(percentage, *elapsedShare) : QString();
    setToolTip(pace);
    setAccessibleDescription(pace);
}


