#include "model/StatsViewModel.h"

#include "common/InternetDateTime.h"
#include "model/DateFormats.h"
#include "model/UsageFigures.h"
#include "stats/DayKey.h"
#include "stats/StatsFileWatcher.h"
#include "stats/StatsLoader.h"
#include "usage/UsageAPIClient.h"
#include "usage/UsageSource.h"

#include <QPointer>


using namespace Qt::Literals::StringLiterals;

StatsViewModel::Dependencies StatsViewModel::defaultDependencies()
{
    Dependencies dependencies;
    dependencies.usageSource = std::make_shared<UsageAPIClient>();
    return dependencies;
}

StatsViewModel::StatsViewModel(QObject* parent)
    : StatsViewModel(defaultDependencies(), parent)
{
}

StatsViewModel::StatsViewModel(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_clock(dependencies.clock ? std::move(dependencies.clock) : Clock::system())
    , m_statsPath(dependencies.statsPath.isEmpty() ? StatsLoader::statsURL() : dependencies.statsPath)
    , m_usageSource(std::move(dependencies.usageSource))
{
    m_pollingTimer.setInterval(dependencies.pollingInterval);
    m_pollingTimer.setTimerType(Qt::PreciseTimer);
    m_usageTimer.setInterval(dependencies.usageInterval);
    m_usageTimer.setTimerType(Qt::PreciseTimer);

    // Ticks only post the work: it runs in a later turn of the event loop, and
    // not at all once this object is gone.
    connect(&m_pollingTimer, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(this, [this] { loadStats(); }, Qt::QueuedConnection);
    });
    connect(&m_usageTimer, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(this, [this] { refreshUsage(); }, Qt::QueuedConnection);
    });
}

StatsViewModel::~StatsViewModel()
{
    // Joins the watcher's thread first, so no callback can still be on its way.
    m_watcher.reset();
}

void StatsViewModel::start()
{
    refresh();

    // The watcher calls back on its own thread; hand the work to this one.
    // A notice posted to this object is dropped if it is destroyed first.
    m_watcher.reset();
    m_watcher = std::make_unique<StatsFileWatcher>(
        [this] { QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection); },
        m_statsPath);
    m_watcher->startWatching();

    m_pollingTimer.start(); // restarting replaces the old schedule
    refreshUsage();
    m_usageTimer.start();
}

void StatsViewModel::refresh()
{
    loadStats();
    refreshUsage();
}

void StatsViewModel::loadStats()
{
    const std::optional<QByteArray> bytes = StatsLoader::readFile(m_statsPath);
    m_stats = bytes ? StatsCache::decode(*bytes) : std::nullopt;
    m_lastRefresh = m_clock->now();
    emit changed();
}

void StatsViewModel::refreshUsage()
{
    // Asking inside an announced wait would only restart it.
    if (!m_retryGate.allows(m_clock->now()))
        return;
    auto publish = [self = QPointer<StatsViewModel>(this)](const UsageFetch& fetch) {
        if (self)
            self->publishUsage(fetch);
    };
    if (m_usageSource)
        m_usageSource->fetchUsage(std::move(publish));
    else
        QMetaObject::invokeMethod(
            this, [publish] { publish(UsageFetch::failed(UsageFetch::Outcome::NoCredential)); },
            Qt::QueuedConnection);
}

void StatsViewModel::publishUsage(const UsageFetch& fetch)
{
    const QDateTime now = m_clock->now();
    m_retryGate = m_retryGate.after(fetch, now);
    if (fetch.outcome == UsageFetch::Outcome::Ok) {
        m_usage = fetch.reply;
        m_usageFetchedAt = now;
        m_usageKept = false;
        m_lastFailure.reset();
    } else if (fetch.outcome == UsageFetch::Outcome::RateLimited) {
        // A refusal to answer says nothing about the figures: keep them.
        m_usageKept = m_usage.has_value();
        m_lastFailure = fetch;
    } else {
        m_usage.reset();
        m_usageFetchedAt.reset();
        m_usageKept = false;
        m_lastFailure = fetch;
    }
    m_lastRefresh = now;
    emit changed();
}

std::optional<qint64> StatsViewModel::sessionPercent() const
{
    if (!m_usage || !m_usage->fiveHour || !m_usage->fiveHour->utilization)
        return std::nullopt;
    return UsageFigures::wholePercent(*m_usage->fiveHour->utilization);
}

std::optional<QString> StatsViewModel::sessionResetLabel() const
{
    if (!m_usage || !m_usage->fiveHour)
        return std::nullopt;
    return m_usage->fiveHour->timeUntilReset(m_clock->now());
}

QString StatsViewModel::menuBarLabel() const
{
    QStringList pieces;
    if (const auto percent = sessionPercent())
        pieces << QString::number(*percent) + u'%';
    if (const auto reset = sessionResetLabel())
        pieces << *reset;
    return pieces.join(u" \u00B7 "_s);
}

// Today in the system time zone.
QDate StatsViewModel::today() const
{
    return m_clock->now().toLocalTime().date();
}

std::optional<DailyActivity> StatsViewModel::todayActivity() const
{
    if (!m_stats)
        return std::nullopt;
    return DayKey::find(m_stats->dailyActivity, DayKey::of(today()));
}

std::optional<DailyModelTokens> StatsViewModel::todayModelTokens() const
{
    if (!m_stats)
        return std::nullopt;
    return DayKey::find(m_stats->dailyModelTokens, DayKey::of(today()));
}

QList<DailyActivity> StatsViewModel::last7DaysActivity() const
{
    QList<DailyActivity> days;
    if (!m_stats)
        return days;
    // Calendar days, not 24-hour steps, so a daylight-saving change in the
    // week cannot shift a day.
    const QDate last = today();
    for (int offset = -6; offset <= 0; ++offset) {
        const QDate date = last.addDays(offset);
        if (!date.isValid())
            continue;
        const QString key = DayKey::of(date);
        days.append(DayKey::find(m_stats->dailyActivity, key).value_or(DailyActivity{key, 0, 0, 0}));
    }
    return days;
}

StatsViewModel::UsageStatus StatsViewModel::usageStatus() const
{
    UsageStatus status;
    status.fetchedAt = m_usageFetchedAt;
    status.kept = m_usageKept;
    if (m_retryGate.waitUntil && !m_retryGate.allows(m_clock->now()))
        status.waitUntil = m_retryGate.waitUntil;
    if (!m_usage && m_lastFailure) {
        status.missingBecause = m_lastFailure->outcome;
        status.httpStatus = m_lastFailure->httpStatus;
    }
    return status;
}

QString StatsViewModel::usageToolTip() const
{
    using Outcome = UsageFetch::Outcome;
    const UsageStatus status = usageStatus();
    const QString wait = status.waitUntil
        ? u"The service asked to wait until %1."_s.arg(DateFormats::shortTime(*status.waitUntil))
        : QString();
    if (m_usage) {
        if (!status.kept || !status.fetchedAt)
            return wait;
        const QString kept = u"Plan usage as of %1: the service is limiting requests."_s.arg(
            DateFormats::shortTime(*status.fetchedAt));
        return wait.isEmpty() ? kept : kept + u'\n' + wait;
    }
    if (!status.missingBecause)
        return wait;
    QString reason;
    switch (*status.missingBecause) {
    case Outcome::Ok: break;
    case Outcome::NoCredential: reason = u"No Claude Code sign-in found."_s; break;
    case Outcome::SignInExpired:
        reason = u"Claude Code's sign-in has expired; running `claude` renews it."_s;
        break;
    case Outcome::RateLimited: reason = u"The service is limiting requests."_s; break;
    case Outcome::Refused:
        reason = u"The service refused the request (HTTP %1)."_s.arg(status.httpStatus);
        break;
    case Outcome::NoConnection: reason = u"No connection to the service."_s; break;
    case Outcome::BadReply: reason = u"The service's reply could not be read."_s; break;
    }
    return wait.isEmpty() ? reason : reason + u'\n' + wait;
}

std::optional<QString> StatsViewModel::firstSessionFormatted() const
{
    if (!m_stats || !m_stats->firstSessionDate)
        return std::nullopt;
    const std::optional<QDateTime> moment = InternetDateTime::parse(*m_stats->firstSessionDate);
    if (!moment)
        return std::nullopt;
    return DateFormats::mediumDate(*moment);
}
