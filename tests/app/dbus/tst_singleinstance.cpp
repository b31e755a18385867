#include "app/dbus/SingleInstance.h"
#include "config/AppInfo.h"

#include "BusPeer.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterLaunchReachesTheFirst()
    {
        const QString appId = QString::fromLatin1(AppInfo::id);
        SingleInstance first(QDBusConnection::sessionBus(), appId);
        QCOMPARE(first.claim(), SingleInstance::Role::Primary);
        QSignalSpy activated(&first, &SingleInstance::activationRequested);

        // The later launch as another process makes it: a connection of its
        // own, and a thread of its own that may block while this one answers.
        BusPeer later(u"later"_s);
        std::optional<SingleInstance::Role> role;
        std::unique_ptr<QThread> launch(QThread::create([&] { role = SingleInstance(later.bus(), appId).claim(); }));
        launch->start();
        QTRY_VERIFY(launch->isFinished());
        QCOMPARE(role, SingleInstance::Role::Secondary);
        QCOMPARE(activated.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
