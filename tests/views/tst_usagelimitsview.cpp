#include "model/NamedColor.h"
#include "views/PanelStyle.h"
#include "views/UsageBar.h"
#include "views/UsageLimitsView.h"
#include "views/UsageTrack.h"

#include "ViewTexts.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(UsageResponse)
Q_DECLARE_METATYPE(ExtraUsage)
Q_DECLARE_METATYPE(NamedColor)

namespace {

const QDateTime now(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC);

// 2 hr 5 min after `now`.
const QString inTwoHours = u"2025-01-08T14:05:00.000Z"_s;

UsageWindow window(std::optional<double> utilization, std::optional<QString> resetsAt = std::nullopt)
{
    return UsageWindow{utilization, std::move(resetsAt)};
}

QStringList textsOf(const UsageResponse& reply)
{
    UsageLimitsView view;
    view.setUsage(reply, now);
    return ViewTexts::visible(&view);
}

} // namespace

class TestUsageLimitsView : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<UsageResponse>("reply");
        QTest::addColumn<QStringList>("expected");

        const QStringList frame{u"Plan Usage Limits"_s, u"Weekly limits"_s};
        QTest::newRow("every member absent") << UsageResponse{} << frame;

        UsageResponse resetOnly;
        resetOnly.fiveHour = window(std::nullopt, inTwoHours);
        QTest::newRow("five-hour reset without utilization") << resetOnly << frame;

        UsageResponse full;
        full.fiveHour = window(42.7, inTwoHours);
        full.sevenDay = window(73, u"2025-01-08T12:42:00.000Z"_s);
        full.sevenDaySonnet = window(18.2, inTwoHours);
        full.sevenDayOpus = window(55, inTwoHours);
        full.sevenDayOauthApps = window(99, inTwoHours);
        full.sevenDayCowork = window(98, inTwoHours);
        full.extraUsage = ExtraUsage{true, 5000, 12.5, 0.25};
        QTest::newRow("everything, in order")
            << full
            << QStringList{u"Plan Usage Limits"_s, u"Current session"_s,     u"Resets in 2 hr 5 min"_s,
                           u"42% used"_s,          u"Weekly limits"_s,       u"All models"_s,
                           u"Resets in 42 min"_s,  u"73% used"_s,            u"Sonnet only"_s,
                           u"Resets in 2 hr 5 min"_s, u"18% used"_s,         u"Opus only"_s,
                           u"Resets in 2 hr 5 min"_s, u"55% used"_s,         u"Extra usage"_s,
                           u"$12.50 spent"_s};

        UsageResponse unused;
        unused.sevenDaySonnet = window(0, inTwoHours);
        unused.sevenDayOpus = window(-0.0, inTwoHours);
        QTest::newRow("families not used yet")
            << unused
            << QStringList{u"Plan Usage Limits"_s, u"Weekly limits"_s,     u"Sonnet only"_s,
                           u"You haven't used Sonnet yet"_s, u"0% used"_s, u"Opus only"_s,
                           u"You haven't used Opus yet"_s,   u"0% used"_s};

        UsageResponse barelyUsed;
        barelyUsed.sevenDaySonnet = window(0.4, inTwoHours);
        QTest::newRow("a little use shows the reset instead")
            << barelyUsed
            << QStringList{u"Plan Usage Limits"_s, u"Weekly limits"_s, u"Sonnet only"_s, u"Resets in 2 hr 5 min"_s,
                           u"0% used"_s};

        UsageResponse zeroSession;
        zeroSession.fiveHour = window(0, std::nullopt);
        zeroSession.sevenDay = window(0, u"2025-01-08T11:00:00.000Z"_s);
        QTest::newRow("unused session and week keep the reset subtitle")
            << zeroSession
            << QStringList{u"Plan Usage Limits"_s, u"Current session"_s, u"0% used"_s, u"Weekly limits"_s,
                           u"All models"_s,        u"Resets in now"_s,   u"0% used"_s};

        UsageResponse badReset;
        badReset.fiveHour = window(7, u"2025-01-08T14:05:00Z"_s); // no fraction: unparsable
        badReset.sevenDayOpus = window(3, u"soon"_s);
        QTest::newRow("unparsable reset times give no subtitle")
            << badReset
            << QStringList{u"Plan Usage Limits"_s, u"Current session"_s, u"7% used"_s, u"Weekly limits"_s,
                           u"Opus only"_s,         u"3% used"_s};
    }

    void texts()
    {
        QFETCH(UsageResponse, reply);
        QFETCH(QStringList, expected);
        QCOMPARE(textsOf(reply), expected);
    }

    void extraUsage_data()
    {
        QTest::addColumn<ExtraUsage>("extra");
        QTest::addColumn<QString>("shown");
        QTest::newRow("enabled absent") << ExtraUsage{std::nullopt, 100, 3.0, std::nullopt} << u"Disabled"_s;
        QTest::newRow("disabled") << ExtraUsage{false, std::nullopt, 3.0, std::nullopt} << u"Disabled"_s;
        QTest::newRow("enabled, no credits") << ExtraUsage{true, std::nullopt, std::nullopt, std::nullopt}
                                             << u"$0.00 spent"_s;
        QTest::newRow("enabled, 12.5") << ExtraUsage{true, std::nullopt, 12.5, std::nullopt} << u"$12.50 spent"_s;
        QTest::newRow("no grouping") << ExtraUsage{true, std::nullopt, 1234567.891, std::nullopt}
                                     << u"$1234567.89 spent"_s;
    }

    void extraUsage()
    {
        QFETCH(ExtraUsage, extra);
        QFETCH(QString, shown);
        UsageResponse reply;
        reply.extraUsage = extra;
        QCOMPARE(textsOf(reply), (QStringList{u"Plan Usage Limits"_s, u"Weekly limits"_s, u"Extra usage"_s, shown}));
    }

    // Bars: the whole-number text, the fill colour, and whether the fill
    // reaches the right end of the track, checked on rendered pixels.
    void bar_data()
    {
        QTest::addColumn<double>("percentage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<NamedColor>("color");
        QTest::addColumn<bool>("fillsTrack");

        QTest::newRow("69.99") << 69.99 << u"69% used"_s << NamedColor::Blue << false;
        QTest::newRow("70") << 70.0 << u"70% used"_s << NamedColor::Orange << false;
        QTest::newRow("89.99") << 89.99 << u"89% used"_s << NamedColor::Orange << false;
        QTest::newRow("90") << 90.0 << u"90% used"_s << NamedColor::Red << false;
        QTest::newRow("120 runs past the track") << 120.0 << u"120% used"_s << NamedColor::Red << true;
        QTest::newRow("-0.5 truncates to 0") << -0.5 << u"0% used"_s << NamedColor::Blue << false;
        QTest::newRow("-3") << -3.0 << u"-3% used"_s << NamedColor::Blue << false;
        QTest::newRow("not a number") << std::nan("") << QString() << NamedColor::Blue << false;
        QTest::newRow("beyond 64 bits") << 1e19 << QString() << NamedColor::Red << true;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QString() << NamedColor::Red << true;
        QTest::newRow("largest 64-bit whole part") << 9.2e18 << u"9200000000000000000% used"_s << NamedColor::Red
                                                   << true;
    }

    void bar()
    {
        QFETCH(double, percentage);
        QFETCH(QString, text);
        QFETCH(NamedColor, color);
        QFETCH(bool, fillsTrack);

        UsageBar bar(u"bar"_s);
        bar.setValues(u"Label"_s, std::nullopt, percentage);
        bar.resize(300, bar.sizeHint().height());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(ViewTexts::labelText(&bar, u"percent"_s, &bar), text);
        QCOMPARE(UsageTrack::fillColor(percentage), color);

        UsageTrack* track = bar.track();
        QCOMPARE(track->width(), 300);
        const double width = UsageTrack::fillWidth(percentage, track->width());
        QCOMPARE(width > track->width(), fillsTrack);

        const QImage pixels = track->grab().toImage();
        const QColor expected = PanelStyle::named(color, track->palette());
        const int y = pixels.height() / 2;
        const QColor nearRight = pixels.pixelColor(pixels.width() - 6, y);
        QCOMPARE(nearRight == expected, fillsTrack);
        if (width >= 12) {
            const double visible = std::min(width, static_cast<double>(track->width()));
            QCOMPARE(pixels.pixelColor(static_cast<int>(visible / 2), y), expected);
        } else {
            // Nothing to see: the left end shows the bare track.
            QVERIFY(pixels.pixelColor(6, y) != expected);
        }
    }

    // "$%.2f": a full stop even where the locale writes a decimal comma.
    void spentTextIgnoresLocale()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = UsageLimitsView::spentText(1234.5);
        QLocale::setDefault(before);
        QCOMPARE(text, u"$1234.50 spent"_s);
    }
};

QTEST_MAIN(TestUsageLimitsView)
#include "tst_usagelimitsview.moc"
