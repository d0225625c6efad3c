#pragma once

#include <QPalette>
#include <QString>

#include <optional>

namespace vo::skin {

// The style sheet built into the program.
QString builtIn();

// A distributor's "mainskin.dat"; nullopt when the file cannot be read or holds no skin.
std::optional<QString> loadCompressedSkinFile(const QString &fileName);

// The skin's light colours for every role, whatever the desktop's palette: a style sheet
// leaves unstyled roles (a menu's background, a balloon's) to the palette.
QPalette palette();

// Every window of the program draws with the one skin applied here: its palette for the
// application and its tooltips, and the style sheet.
void apply(const QString &styleSheet);

} // namespace vo::skin
