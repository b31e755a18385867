// The application side of the footprint benchmark: the real OstrelApp (view
// model, usage client, status item, panel) with the account service, the
// trusted CA and the usage interval replaced through its dependencies.
//
//   bench_footprint_app <url> <ca.pem> <cycles> <interval ms> <home> <open|closed>
//
// <home> holds .claude/stats-cache.json and .claude/.credentials.json. The
// panel is opened once (that starts the refreshing), then closed again
// unless "open" is asked for. Prints "rss_kib <n>" after the last completed
// usage fetch and exits.
#include "FootprintArguments.h"

#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "usage/UsageAPIClient.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Counts completed fetches on their way from the real client to the view model.
class CountingSource final : public UsageSource
{
public:
    CountingSource(std::shared_ptr<UsageSource> inner, std::function<void()> onCompleted)
        : m_inner(std::move(inner))
        , m_onCompleted(std::move(onCompleted))
    {
    }

    void fetchUsage(Completion done) override
    {
        m_inner->fetchUsage([this, done = std::move(done)](UsageFetch fetch) {
            done(std::move(fetch));
            m_onCompleted();
        });
    }

private:
    std::shared_ptr<UsageSource> m_inner;
    std::function<void()> m_onCompleted;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    FootprintArguments arguments;
    if (!FootprintArguments::parse(QApplication::arguments(), 2, arguments)
        || (arguments.rest.at(1) != QLatin1String("open") && arguments.rest.at(1) != QLatin1String("closed"))) {
        std::fprintf(stderr, "usage: %s <url> <ca.pem> <cycles> <interval ms> <home> <open|closed>\n", argv[0]);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostrel"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QString home = arguments.rest.at(0);

    UsageAPIClient::Options options;
    options.endpoint = arguments.endpoint;
    options.credentialsPath = home + QStringLiteral("/.claude/.credentials.json");
    for (const QSslCertificate& ca : arguments.ca)
        options.extraCaPem += ca.toPem();

    int completed = 0;
    StatsViewModel::Dependencies dependencies = StatsViewModel::defaultDependencies();
    dependencies.statsPath = home + QStringLiteral("/.claude/stats-cache.json");
    dependencies.usageInterval = arguments.interval;
    dependencies.usageSource = std::make_shared<CountingSource>(std::make_shared<UsageAPIClient>(options), [&] {
        if (++completed == arguments.cycles) {
            std::printf("rss_kib %lld\n", residentKiB());
            std::fflush(stdout);
            QTimer::singleShot(0, &application, &QApplication::quit);
        }
    });

    OstrelApp ostrel(std::move(dependencies));
    ostrel.show();
    ostrel.showPanel(std::nullopt);
    if (arguments.rest.at(1) == QLatin1String("closed"))
        QTimer::singleShot(0, &ostrel.panel(), &QWidget::close);
    return application.exec();
}
