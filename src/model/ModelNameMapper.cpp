#include "model/ModelNameMapper.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Row
{
    QLatin1StringView prefix;
    QLatin1StringView name;
    NamedColor color;
};

// Order matters: "claude-sonnet-4-5" must be tried before "claude-sonnet-4".
constexpr std::array<Row, 9> modelMap{{
    {"claude-opus-4-6"_L1, "Opus 4.6"_L1, NamedColor::Purple},
    {"claude-opus-4-5"_L1, "Opus 4.5"_L1, NamedColor::Indigo},
    {"claude-sonnet-4-5"_L1, "Sonnet 4.5"_L1, NamedColor::Blue},
    {"claude-sonnet-4"_L1, "Sonnet 4"_L1, NamedColor::Cyan},
    {"claude-haiku-4-5"_L1, "Haiku 4.5"_L1, NamedColor::Green},
    {"claude-haiku-4"_L1, "Haiku 4"_L1, NamedColor::Mint},
    {"claude-sonnet-3-5"_L1, "Sonnet 3.5"_L1, NamedColor::Teal},
    {"claude-haiku-3-5"_L1, "Haiku 3.5"_L1, NamedColor::Orange},
    {"claude-opus-3"_L1, "Opus 3"_L1, NamedColor::Pink},
}};

// Upper-case the first letter of every run of letters, lower-case the rest.
QString capitalizeWords(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool inWord = false;
    for (const QChar c : text) {
        if (c.isLetter()) {
            result.append(inWord ? c.toLower() : c.toUpper());
            inWord = true;
        } else {
            result.append(c);
            inWord = false;
        }
    }
    return result;
}

} // namespace

ModelNameMapper::ModelInfo ModelNameMapper::info(const QString& id)
{
    for (const Row& row : modelMap) {
        if (id.startsWith(row.prefix))
            return {QString(row.name), row.color};
    }
    QString name = id;
    name.remove(u"claude-"_s);
    const qsizetype cut = name.indexOf(u"-20"_s);
    if (cut >= 0)
        name.truncate(cut);
    return {capitalizeWords(name), NamedColor::Gray};
}
