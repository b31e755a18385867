#include "views/ModelList.h"

#include "model/ModelNameMapper.h"
#include "model/TokenFormatter.h"
#include "views/Symbols.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QSet>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

namespace {

// Qt's widgets are at most 16,777,215 pixels high, and the list shares its
// scroll area with the other sections: absurd files show the rows that fit
// in half of that (some 200,000).
constexpr int tallestList = 8'000'000;

// The widest of `texts` in `font`. Each text is measured in its shape, every
// digit as the font's widest one, so thousands of figures take a handful of
// measurements and the column never clips a figure of a shape it has seen.
int widest(const QFont& font, const QStringList& texts)
{
    const QFontMetricsF metrics(font);
    QChar digit = u'0';
    for (char16_t c = u'1'; c <= u'9'; ++c) {
        if (metrics.horizontalAdvance(QChar(c)) > metrics.horizontalAdvance(digit))
            digit = QChar(c);
    }
    QSet<QString> shapes;
    qreal width = 0;
    for (QString text : texts) {
        std::replace_if(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }, digit);
        if (!shapes.contains(text)) {
            width = std::max(width, metrics.horizontalAdvance(text));
            shapes.insert(text);
        }
    }
    return qCeil(width);
}

// A line of text as high as a label makes it.
int lineHeight(const QFont& font)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignLeft, u"0"_s).height();
}

QString inText(const ModelList::Row& row)
{
    return TokenFormatter::format(row.in) + u" in"_s;
}

QString outText(const ModelList::Row& row)
{
    return TokenFormatter::format(row.out) + u" out"_s;
}

} // namespace

ModelList::ModelList(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"list"_s);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    measure();
}

void ModelList::setRows(QList<Row> rows)
{
    if (rows == m_rows)
        return;
    m_rows = std::move(rows);
    measure();
}

qsizetype ModelList::shownCount() const
{
    const int step = m_rowHeight + PanelStyle::modelRowSpacing;
    return std::min<qsizetype>(m_rows.size(), tallestList / step);
}

int ModelList::rowTop(qsizetype index) const
{
    return PanelStyle::listPadding.top() + int(index) * (m_rowHeight + PanelStyle::modelRowSpacing);
}

void ModelList::measure()
{
    m_nameFont = PanelStyle::font(TextStyle::Callout, Weight::Medium);
    m_splitFont = PanelStyle::font(TextStyle::Caption);
    m_totalFont = PanelStyle::font(TextStyle::Callout, Weight::Semibold);
    m_lineHeight = lineHeight(m_splitFont);
    const int inner = std::max({2 * m_lineHeight + PanelStyle::lineGap, lineHeight(m_nameFont),
                                lineHeight(m_totalFont), PanelStyle::modelDotSide});
    m_rowHeight = PanelStyle::boxPadding.top() + inner + PanelStyle::boxPadding.bottom();

    // Totals line up for any figure up to the billions and fit the widest
    // shown; the in and out figures take what the rows need and leave the
    // rest to the names.
    QStringList totals{u"000.0K"_s, u"000.0M"_s, u"000.0B"_s};
    QStringList splits;
    totals.reserve(totals.size() + m_rows.size());
    splits.reserve(2 * m_rows.size());
    for (const Row& row : m_rows) {
        totals.append(TokenFormatter::format(row.total));
        splits.append(inText(row));
        splits.append(outText(row));
    }
    m_totalWidth = std::max(PanelStyle::modelTotalMinWidth, widest(m_totalFont, totals));
    m_splitWidth = widest(m_splitFont, splits);
    updateGeometry();
    update();
}

QList<ModelList::Cell> ModelList::cells(qsizetype index) const
{
    const Row& row = m_rows.at(index);
    const QMargins& padding = PanelStyle::boxPadding;
    const int gap = PanelStyle::defaultSpacing;
    const int nameLeft = padding.left() + PanelStyle::modelDotSide + gap;
    // Figures too wide for any row (absurd counts) share what the name
    // leaves them, and are elided in their middle.
    int totalWidth = m_totalWidth;
    int splitWidth = m_splitWidth;
    const int room = width() - padding.right() - 2 * gap - PanelStyle::modelNameMinWidth - nameLeft;
    if (totalWidth + splitWidth > room) {
        totalWidth = std::max(0, room * totalWidth / (totalWidth + splitWidth));
        splitWidth = std::max(0, room - totalWidth);
    }
    const int top = rowTop(index) + padding.top();
    const int height = m_rowHeight - padding.top() - padding.bottom();
    const QRect total(width() - padding.right() - totalWidth, top, totalWidth, height);
    const int splitLeft = total.left() - gap - splitWidth;
    const QRect name(nameLeft, top, std::max(0, splitLeft - gap - nameLeft), height);
    const QRect in(splitLeft, top, splitWidth, m_lineHeight);
    const QRect out(splitLeft, top + m_lineHeight + PanelStyle::lineGap, splitWidth, m_lineHeight);
    const QFontMetrics nameMetrics(m_nameFont);
    const QFontMetrics splitMetrics(m_splitFont);
    const Qt::Alignment splitAlignment = Qt::AlignRight | Qt::AlignTop;
    return {
        {nameMetrics.elidedText(ModelNameMapper::info(row.id).name, Qt::ElideMiddle, name.width()), m_nameFont, name,
         Qt::AlignLeft | Qt::AlignVCenter, Level::Primary},
        {splitMetrics.elidedText(inText(row), Qt::ElideMiddle, in.width()), m_splitFont, in, splitAlignment,
         Level::Secondary},
        {splitMetrics.elidedText(outText(row), Qt::ElideMiddle, out.width()), m_splitFont, out, splitAlignment,
         Level::Secondary},
        {QFontMetrics(m_totalFont).elidedText(TokenFormatter::format(row.total), Qt::ElideMiddle, total.width()),
         m_totalFont, total, Qt::AlignRight | Qt::AlignVCenter, Level::Primary},
    };
}

QSize ModelList::sizeHint() const
{
    const qsizetype rows = shownCount();
    const QMargins& padding = PanelStyle::listPadding;
    const int height = rows == 0 ? 0 : rowTop(rows) - PanelStyle::modelRowSpacing + padding.bottom();
    return QSize(PanelStyle::panelWidth - 2 * PanelStyle::panelPadding, height);
}

QSize ModelList::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void ModelList::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    PanelStyle::paintBox(painter, QRectF(rect()), palette());
    const int step = m_rowHeight + PanelStyle::modelRowSpacing;
    const QRect dirty = event->rect();
    const qsizetype shown = shownCount();
    for (qsizetype i = std::max(0, (dirty.top() - PanelStyle::listPadding.top()) / step);
         i < shown && rowTop(i) <= dirty.bottom(); ++i) {
        const int top = rowTop(i) + PanelStyle::boxPadding.top();
        const int height = m_rowHeight - PanelStyle::boxPadding.top() - PanelStyle::boxPadding.bottom();
        const QRectF dot(PanelStyle::boxPadding.left(), top + (height - PanelStyle::modelDotSide) / 2,
                         PanelStyle::modelDotSide, PanelStyle::modelDotSide);
        Symbols::paint(painter, Symbols::Symbol::Dot, dot,
                       PanelStyle::named(ModelNameMapper::info(m_rows[i].id).color, palette()));
        for (const Cell& cell : cells(i)) {
            painter.setFont(cell.font);
            painter.setPen(PanelStyle::foreground(palette(), cell.level));
            painter.drawText(cell.rect, int(cell.alignment), cell.text);
        }
    }
}

void ModelList::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ApplicationFontChange || event->type() == QEvent::FontChange)
        measure();
    QWidget::changeEvent(event);
}
