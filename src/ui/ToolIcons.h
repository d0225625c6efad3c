#pragma once

#include <QIcon>

namespace vo {

enum class ToolGlyph { News, Updates, Help };

// A toolbar icon drawn as lines and shapes at whatever size is asked for, so it stays sharp at
// every screen scale (150 %, 200 %, ...).
QIcon toolIcon(ToolGlyph glyph);

} // namespace vo
