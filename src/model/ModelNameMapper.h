#pragma once

#include "model/NamedColor.h"

#include <QString>

// Display names and colours for the model identifiers found in the statistics.
namespace ModelNameMapper {

struct ModelInfo
{
    QString name;
    NamedColor color;
    bool operator==(const ModelInfo&) const = default;
};

// The first known prefix that starts the identifier decides (longer prefixes
// stand before the shorter ones they extend); any other identifier gets a
// name made from its own text, in gray.
ModelInfo info(const QString& id);

} // namespace ModelNameMapper
