#pragma once

#include <QString>

#include <optional>

namespace vo::skin {

// The style sheet built into the program.
QString builtIn();

// A distributor's "mainskin.dat"; nullopt when the file cannot be read or holds no skin.
std::optional<QString> loadCompressedSkinFile(const QString &fileName);

// Every window of the program draws with the one skin applied here.
void apply(const QString &styleSheet);

} // namespace vo::skin
