#pragma once

#include <QString>

// The folder where Claude Code keeps its files: $CLAUDE_CONFIG_DIR when that
// names an absolute path, else ~/.claude. Both the statistics file and the
// credentials live there.
namespace ClaudeConfigDir {

// Read from the environment on first use and fixed for the life of the
// process, so both files always come from the same folder.
const QString& path();

// The rule itself: `variable` is the value of CLAUDE_CONFIG_DIR (null when
// unset). An empty or relative value falls back to `home`/.claude; Claude
// Code's own idea of a relative one would depend on its working directory.
QString resolve(const QString& variable, const QString& home);

} // namespace ClaudeConfigDir
