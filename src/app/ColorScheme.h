#pragma once

// The desktop's light or dark appearance.
enum class ColorScheme { Light, Dark };
