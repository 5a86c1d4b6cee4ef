#pragma once
// Where the parameter files are looked for when no directory is given.
#include <string>

namespace kvtconv {

// $KVTPAR, else $XDG_CONFIG_HOME/kvtconv, else ~/.config/kvtconv (else
// ./kvtconv without a home).
std::string defaultParDir();

}  // namespace kvtconv
