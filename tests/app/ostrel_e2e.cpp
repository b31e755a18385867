// The application exactly as `main` runs it, except that plan usage comes
// from a stand-in that answers at once with a fixed five-hour window (42 %,
// resetting in a little over two hours): end-to-end runs then show the
// figure in a real tray without credentials or a network.
#include "app/Launch.h"
#include "usage/UsageSource.h"

#include <QDateTime>
#include <QTimer>

namespace {

class FixedUsageSource final : public UsageSource
{
public:
    void fetchUsage(Completion done) override
    {
        QTimer::singleShot(0, [done = std::move(done)] {
            UsageResponse reply;
            const QDateTime reset = QDateTime::currentDateTimeUtc().addSecs(2 * 3600 + 5 * 60 + 30);
            reply.fiveHour = UsageWindow{42.0, reset.toString(Qt::ISODateWithMs)};
            done(reply);
        });
    }
};

} // namespace

int main(int argc, char* argv[])
{
    return Launch::run(argc, argv, [] {
        StatsViewModel::Dependencies dependencies;
        dependencies.usageSource = std::make_shared<FixedUsageSource>();
        return dependencies;
    });
}
