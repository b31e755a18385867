#include "app/Launch.h"

#include "app/OstrelApp.h"
#include "config/AppInfo.h"
#include "statusline/StatusLine.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#if OSTREL_STATUS_NOTIFIER
#include "app/dbus/SingleInstance.h"
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

// Qt's warnings and criticals go to standard error as Qt prints them; its
// debug and info chatter does not. While the GUI starts they are held back:
// if the platform plugin cannot start, one line of ours says what is wrong
// and what to do, instead of Qt's lines and an abort.
namespace messages {

std::mutex mutex;
bool holding = false;
QByteArrayList held;
QString firstHeld;

// Qt aborts after its fatal message; this ends with one line and status 1.
[[noreturn]] void failGuiStart(const QString& fatal)
{
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QString cause = firstHeld.isEmpty() ? fatal.section(u'\n', 0, 0) : firstHeld;
    const QString text = noDisplay
        ? u"no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it in a desktop session, "
          u"or use --status-line for a status bar"_s
        : u"cannot open the display (%1): check that DISPLAY or WAYLAND_DISPLAY names a running display, and "
          u"that QT_QPA_PLATFORM or -platform names an installed Qt platform plugin"_s.arg(cause);
    std::fprintf(stderr, "%s: %s\n", qPrintable(QString::fromLatin1(AppInfo::name).toLower()), qPrintable(text));
    std::fflush(stderr);
    std::_Exit(1);
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    const std::lock_guard lock(mutex);
    if (type == QtFatalMsg && holding)
        failGuiStart(message);
    const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
    if (holding) {
        if (held.isEmpty())
            firstHeld = message;
        held.append(line);
        return;
    }
    std::fputs(line.constData(), stderr);
}

void beginGuiStart()
{
    const std::lock_guard lock(mutex);
    holding = true;
}

// The start went well: what was held goes out after all.
void endGuiStart()
{
    const std::lock_guard lock(mutex);
    holding = false;
    for (const QByteArray& line : std::as_const(held))
        std::fputs(line.constData(), stderr);
    held.clear();
}

} // namespace messages

// Qt's own options for the GUI: accepted, left in place for the application
// object to take, and not shown in our help.
void addQtOptions(QCommandLineParser& parser)
{
    const char* const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                     "geometry", "qwindowicon", "icon", "qwindowtitle", "title", "session", "display",
                                     "name", "visual", "style", "stylesheet"};
    const char* const flags[] = {"reverse", "testability", "nograb", "dograb", "widgetcount"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), {}, u"value"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

const QCommandLineOption helpOption({u"h"_s, u"help"_s}, u"Show this help and exit."_s);
const QCommandLineOption versionOption({u"v"_s, u"version"_s}, u"Show the version and exit."_s);
const QCommandLineOption statusLineOption(u"status-line"_s,
    u"Instead of an item in the status area, write a line for a status bar to standard output whenever the "
    u"figures change, until ended. <format> is waybar, i3blocks, polybar or plain."_s,
    u"format"_s);

void setUp(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        u"Shows how much of your Claude Code plan you have used in the desktop's status\n"
        u"area; a click opens a panel with the figures. Qt's own options, such as\n"
        u"-platform xcb, are accepted as well. See ostrel(1)."_s);
    // Qt's options are single words after one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({helpOption, versionOption, statusLineOption});
    addQtOptions(parser);
}

// For text the user asked for or must see: written in full, or status 1.
int print(std::FILE* stream, const QString& text, int status)
{
    const QByteArray bytes = text.toLocal8Bit();
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written ? status : 1;
}

int usageError(const QCommandLineParser& parser, const QString& error)
{
    const QString program = QString::fromLatin1(AppInfo::name).toLower();
    return print(stderr, program + u": "_s + error + u"\n\n"_s + parser.helpText(), 2);
}

StatsViewModel::Dependencies dependencies(const Launch::Adjust& adjust)
{
    StatsViewModel::Dependencies result = StatsViewModel::defaultDependencies();
    if (adjust)
        adjust(result);
    return result;
}

// In a Wayland session with Xwayland, Qt would pick Wayland, where a client
// may not place its windows and a window cannot keep out of the window list:
// the panel would open wherever the compositor likes, as an ordinary window.
// Through Xwayland it opens under the item. Wayland remains the fallback, and
// the platform the user names always wins.
void preferXWayland(const QCommandLineParser& parser)
{
    const bool waylandSession =
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland"_L1;
    if (waylandSession && !qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && !parser.isSet(u"platform"_s))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

int runGui(int& argc, char** argv, const QCommandLineParser& parser, const Launch::Adjust& adjust)
{
    preferXWayland(parser);
    messages::beginGuiStart();
    QApplication application(argc, argv);
    messages::endGuiStart();
    QApplication::setApplicationDisplayName(QString::fromLatin1(AppInfo::name));
    QApplication::setDesktopFileName(QString::fromLatin1(AppInfo::id));
    // Only Quit ends the application; closing the panel does not.
    QApplication::setQuitOnLastWindowClosed(false);

#if OSTREL_STATUS_NOTIFIER
    // A second launch shows the running instance's panel instead of a second
    // icon. Without a session bus every launch runs on its own.
    SingleInstance instance(QDBusConnection::sessionBus(), QString::fromLatin1(AppInfo::id));
    if (instance.claim() == SingleInstance::Role::Secondary)
        return 0;
#endif

    OstrelApp ostrel(dependencies(adjust));
    QObject::connect(&ostrel, &OstrelApp::quitRequested, &application, &QApplication::quit, Qt::QueuedConnection);
#if OSTREL_STATUS_NOTIFIER
    QObject::connect(&instance, &SingleInstance::activationRequested, &ostrel, &OstrelApp::showPanelNearItem);
#endif
    ostrel.show();
    return application.exec();
}

} // namespace

int Launch::run(int& argc, char** argv, const Adjust& adjust)
{
    qInstallMessageHandler(messages::handle);
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::name));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::version));

    // Read before any application object exists: the GUI one would open the
    // display, and --help, --version, a mistake and the status bar need none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    setUp(parser);
    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = u"unexpected argument '%1'"_s.arg(parser.positionalArguments().constFirst());
    if (error.isEmpty() && !parser.isSet(helpOption) && !parser.isSet(versionOption) && !parser.isSet(statusLineOption))
        return runGui(argc, argv, parser, adjust);

    QCoreApplication application(argc, argv); // for the program's name in the usage line
    if (!error.isEmpty())
        return usageError(parser, error);
    if (parser.isSet(helpOption))
        return print(stdout, parser.helpText(), 0);
    if (parser.isSet(versionOption))
        return print(stdout, u"%1 %2\n"_s.arg(QString::fromLatin1(AppInfo::name), QString::fromLatin1(AppInfo::version)), 0);
    const QString name = parser.value(statusLineOption);
    const std::optional<StatusLineFormat::Format> format = StatusLineFormat::fromName(name);
    if (!format)
        return usageError(parser, u"unknown status-line format '%1': use %2"_s.arg(name, StatusLineFormat::names()));
    return StatusLine::run(*format, dependencies(adjust));
}
