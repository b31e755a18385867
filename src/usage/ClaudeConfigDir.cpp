#include "usage/ClaudeConfigDir.h"

#include <QDir>

const QString& ClaudeConfigDir::path()
{
    static const QString path = resolve(qEnvironmentVariable("CLAUDE_CONFIG_DIR"), QDir::homePath());
    return path;
}

QString ClaudeConfigDir::resolve(const QString& variable, const QString& home)
{
    if (!variable.isEmpty() && QDir::isAbsolutePath(variable))
        return QDir::cleanPath(variable);
    return home + QStringLiteral("/.claude");
}
