// Texts the game list, the game-info pane and the info tips show for a
// game: the 19 fields by identifier, their captions and the two info
// layouts. Everything is CP932, as the catalogue holds it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "settings/settings.h"

inline constexpr int32_t kKlmFieldCount = 19;
// A cell or info line never carries more than this.
inline constexpr size_t kKlmFieldTextMax = 511;
// The info text is built in a 10,000-byte buffer.
inline constexpr size_t kKlmInfoTextMax = 9999;

// Caption of a field identifier ("タイトル" …), CP932; empty for any other id.
std::string_view klmFieldCaption(int32_t field);

// Text of a field of game (catalogue index), at most kKlmFieldTextMax bytes,
// cut at a character boundary. Unknown ids and indices give an empty text.
std::string_view klmFieldText(const Catalogue& cat, int32_t game, int32_t field);

enum class KlmInfoLayout { Detailed, Simple };

// The game-info text of game in the layout, from the settings' item lists
// and blank-line choice; empty for a negative or unknown index.
std::string klmBuildInfoText(const Catalogue& cat, const Settings& s, int32_t game, KlmInfoLayout layout);

// Name of a master entry by table position, or an empty text when the
// position is outside the table.
std::string_view klmMasterName(const std::vector<MasterEntry>& table, int32_t position);
