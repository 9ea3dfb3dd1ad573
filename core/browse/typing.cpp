#include "browse/typing.h"

#include <algorithm>
#include <chrono>

#include "text/cp932.h"

std::vector<std::string_view> klmSplitCharacters(std::string_view text)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        const bool pair = klmIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() && text[i + 1] != 0;
        const size_t len = pair ? 2 : 1;
        out.push_back(text.substr(i, len));
        i += len;
    }
    return out;
}

std::vector<KlmKeystroke> klmTypeWord(KlmBrowseState& state, const Catalogue& cat, Settings& settings,
                                      const std::vector<ReplacementRule>& rules, std::string_view word, int repeat)
{
    const std::string start(klmField(settings.search.searchText));
    const std::vector<std::string_view> chars = klmSplitCharacters(word);
    // The texts after each key: the word growing, then shrinking back.
    std::vector<KlmKeystroke> keys;
    std::string text = start;
    for (std::string_view c : chars) {
        text += c;
        keys.push_back({text, false});
    }
    for (size_t k = chars.size(); k-- > 0;) {
        text.resize(text.size() - chars[k].size());
        keys.push_back({text, true});
    }

    repeat = std::max(repeat, 1);
    std::vector<std::vector<double>> times(keys.size());
    for (int round = 0; round < repeat; ++round) {
        // The window at rest: the start text's rows are shown.
        klmRefreshViewList(state, cat, settings, rules, false, KlmRefreshScope::Condition);
        for (size_t k = 0; k < keys.size(); ++k) {
            klmCopyField(settings.search.searchText, keys[k].text);
            const auto t0 = std::chrono::steady_clock::now();
            const KlmRefreshResult r = klmRefreshViewList(state, cat, settings, rules, false, KlmRefreshScope::Condition);
            const auto t1 = std::chrono::steady_clock::now();
            times[k].push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            keys[k].rows = r.rowCount;
            keys[k].pass = state.lastPass;
        }
    }
    for (size_t k = 0; k < keys.size(); ++k) {
        std::vector<double>& t = times[k];
        std::sort(t.begin(), t.end());
        const size_t h = t.size() / 2;
        keys[k].ms = t.size() % 2 ? t[h] : (t[h - 1] + t[h]) / 2;
        // What the key leaves in the box: the 255-byte cut applies.
        klmCopyField(settings.search.searchText, keys[k].text);
        keys[k].text = std::string(klmField(settings.search.searchText));
    }
    klmCopyField(settings.search.searchText, start);
    klmRefreshViewList(state, cat, settings, rules, false, KlmRefreshScope::Condition);
    return keys;
}
