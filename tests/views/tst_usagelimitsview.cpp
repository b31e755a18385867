#include "views/UsageBar.h"
#include "views/UsageLimitsView.h"
#include "views/PanelStyle.h"
#include "views/UsageTrack.h"

#include "ViewTexts.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(UsageResponse)
Q_DECLARE_METATYPE(NamedColor)

class TestUsageLimitsView : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<UsageResponse>("reply");
        QTest::addColumn<QStringList>("expected");
        const QString inTwoHours = u"2025-01-08T14:05:00.000Z"_s;

        UsageResponse bare;
        bare.fiveHour = UsageWindow{std::nullopt, inTwoHours};
        bare.extraUsage = ExtraUsage{std::nullopt, 100, 3.0, std::nullopt};
        QTest::newRow("no bar without utilization, extra usage not enabled")
            << bare << QStringList{u"Plan Usage Limits"_s, u"Weekly limits"_s, u"Extra usage"_s, u"Disabled"_s};

        UsageResponse full;
        full.fiveHour = UsageWindow{42.7, std::nullopt};
        full.sevenDay = UsageWindow{0, u"2025-01-08T11:00:00.000Z"_s};
        full.sevenDaySonnet = UsageWindow{0, inTwoHours};
        full.sevenDayOpus = UsageWindow{0.4, inTwoHours};
        full.sevenDayOauthApps = full.sevenDayCowork = UsageWindow{99, inTwoHours};
        full.extraUsage = ExtraUsage{true, 5000, 12.5, 0.25};
        QTest::newRow("every window, only Sonnet or Opus at exactly 0 unused") << full << QStringList{
            u"Plan Usage Limits"_s, u"Current session"_s, u"42% used"_s, u"Weekly limits"_s, u"All models"_s,
            u"Resets in now"_s, u"0% used"_s, u"Sonnet only"_s, u"You haven't used Sonnet yet"_s, u"0% used"_s,
            u"Opus only"_s, u"Resets in 2 hr 5 min"_s, u"0% used"_s, u"Extra usage"_s, u"$12.50 spent"_s};
    }

    void texts()
    {
        QFETCH(UsageResponse, reply);
        QFETCH(QStringList, expected);
        UsageLimitsView view;
        view.setUsage(reply, QDateTime(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC));
        QCOMPARE(ViewTexts::visible(&view), expected);
    }

    // A bar whose window has a reset ahead marks the share of the window gone
    // by and tells the pace in its tooltip; without one, neither.
    void pace()
    {
        const QDateTime now(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC);
        UsageResponse reply;
        reply.fiveHour = UsageWindow{62.4, now.addSecs(9000).toString(Qt::ISODateWithMs)}; // half of five hours left
        reply.sevenDay = UsageWindow{10.0, std::nullopt};
        UsageLimitsView view;
        view.setUsage(reply, now);
        view.resize(340, view.sizeHint().height());
        const auto* session = view.findChild<UsageBar*>(u"currentSession"_s);
        const auto* weekly = view.findChild<UsageBar*>(u"allModels"_s);
        QCOMPARE(session->toolTip(), u"12 % ahead of an even pace"_s);
        QCOMPARE(session->accessibleDescription(), session->toolTip());
        QCOMPARE(weekly->toolTip(), QString());

        // The tick half way along, in the secondary colour; none on the weekly bar.
        for (UsageTrack* track : {session->track(), weekly->track()}) {
            const QImage drawn = track->grab().toImage();
            const int y = drawn.height() / 2;
            QCOMPARE(drawn.pixelColor(drawn.width() / 2, y) != drawn.pixelColor(drawn.width() / 2 + 12, y),
                     track == session->track());
        }
    }

    // "$%.2f spent" as printf writes it: ties to even on the exact double.
    void spentText_data()
    {
        QTest::addColumn<double>("credits");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0.125: to even") << 0.125 << u"$0.12 spent"_s;
        QTest::newRow("0.375: to even") << 0.375 << u"$0.38 spent"_s;
        QTest::newRow("2.675, below as a double") << 2.675 << u"$2.67 spent"_s;
        QTest::newRow("1e21: no exponent") << 1e21 << u"$1000000000000000000000.00 spent"_s;
    }

    void spentText()
    {
        QFETCH(double, credits);
        QFETCH(QString, expected);
        QCOMPARE(UsageLimitsView::spentText(credits), expected);
    }

    // The whole-number text, the fill colour, and whether the fill runs past the track.
    void bar_data()
    {
        QTest::addColumn<double>("percentage");
        QTest::addColumn<QString>("text"); // null: no figure shown
        QTest::addColumn<NamedColor>("color");
        QTest::addColumn<bool>("pastTrack");
        QTest::newRow("69.99") << 69.99 << u"69% used"_s << NamedColor::Blue << false;
        QTest::newRow("70") << 70.0 << u"70% used"_s << NamedColor::Orange << false;
        QTest::newRow("90") << 90.0 << u"90% used"_s << NamedColor::Red << false;
        QTest::newRow("120") << 120.0 << u"120% used"_s << NamedColor::Red << true;
        QTest::newRow("-3.5 truncates toward zero") << -3.5 << u"-3% used"_s << NamedColor::Blue << false;
        QTest::newRow("not a number") << qQNaN() << QString() << NamedColor::Blue << false;
        QTest::newRow("beyond 64 bits") << 1e19 << QString() << NamedColor::Red << true;
    }

    void bar()
    {
        QFETCH(double, percentage);
        QFETCH(QString, text);
        QFETCH(NamedColor, color);
        QFETCH(bool, pastTrack);
        UsageBar bar(u"bar"_s);
        bar.setValues(u"Label"_s, std::nullopt, percentage);
        const QLabel* percent = bar.findChild<QLabel*>(u"percent"_s);
        QCOMPARE(percent->isVisibleTo(&bar) ? percent->text() : QString(), text);
        QCOMPARE(UsageTrack::fillWidth(percentage, 300) > 300, pastTrack);
        // The fill as drawn, where there is one.
        UsageTrack* track = bar.track();
        track->resize(300, track->height());
        if (UsageTrack::fillWidth(percentage, 300) >= 6)
            QCOMPARE(track->grab().toImage().pixelColor(3, track->height() / 2), PanelStyle::named(color, track->palette()));
    }
};

QTEST_MAIN(TestUsageLimitsView)
#include "tst_usagelimitsview.moc"
