#include "ui/display_settings.h"

#include <algorithm>

#include "audit/ownership.h"
#include "catalogue/format.h"
#include "media/skins.h"

int32_t klmEditNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return 0;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return 0;
    }
    return static_cast<int32_t>(value);
}

KlmDisplayNumbers klmCheckDisplayNumbers(std::string_view intervalText, std::string_view frameWidthText)
{
    KlmDisplayNumbers n;
    n.interval = klmEditNumber(intervalText);
    n.frameWidth = klmEditNumber(frameWidthText);
    if (n.interval < kKlmMinAutoSelectInterval)
        n.check = KlmDisplayCheck::IntervalTooShort;
    else if (n.frameWidth < kKlmMinFrameWidth || n.frameWidth > kKlmMaxFrameWidth)
        n.check = KlmDisplayCheck::FrameWidthOutOfRange;
    return n;
}

const char* klmDisplayCheckMessage(KlmDisplayCheck check)
{
    switch (check) {
    case KlmDisplayCheck::IntervalTooShort: return kKlmIntervalTooShortText;
    case KlmDisplayCheck::FrameWidthOutOfRange: return kKlmFrameWidthRangeText;
    case KlmDisplayCheck::Valid: break;
    }
    return nullptr;
}

void klmStoreDisplayNumbers(KlmDisplayValues& values, const KlmDisplayNumbers& numbers)
{
    values.settings.autoSelectInterval = numbers.interval;
    values.frameWidth = numbers.frameWidth;
    values.settings.spare1 = 0;
}

std::vector<KlmDisplayStep> klmDisplayApplySteps(const KlmDisplayValues& before, const KlmDisplayValues& after)
{
    const Settings& a = before.settings;
    const Settings& b = after.settings;
    std::vector<KlmDisplayStep> steps;
    auto when = [&steps](bool changed, KlmDisplayStep step) {
        if (changed) steps.push_back(step);
    };
    using S = KlmDisplayStep;
    when(a.showInfoIcon != b.showInfoIcon || a.showInfoText != b.showInfoText, S::ShowInfoPanes);
    when(a.crcZerosOwned != b.crcZerosOwned, S::ZerosCrcRule);
    when(a.crcOnesOwned != b.crcOnesOwned, S::OnesCrcRule);
    when(a.dateFormat != b.dateFormat, S::FormatDates);
    when(a.priceFormat != b.priceFormat, S::FormatPrices);
    when(a.romSizeFormat != b.romSizeFormat, S::FormatSizes);
    when(a.gridLines != b.gridLines, S::GridLines);
    when(a.showStatusBar != b.showStatusBar, S::StatusBar);
    when(a.showToolbar != b.showToolbar, S::Toolbar);
    when(a.listIconSource != b.listIconSource, S::ListIcons);
    steps.push_back(S::SplitterBounds);
    steps.push_back(S::RefreshList);
    steps.push_back(S::Layout);
    steps.push_back(S::InfoText);
    when(before.frameWidth != after.frameWidth || before.alwaysDefault != after.alwaysDefault ||
             a.movieAspect != b.movieAspect,
         S::RedrawSnapshots);
    steps.push_back(S::Repaint);
    steps.push_back(S::RestartAutoSelect);
    return steps;
}

void klmApplyDisplayToCatalogue(Catalogue& cat, const Settings& after, const std::vector<KlmDisplayStep>& steps)
{
    auto has = [&steps](KlmDisplayStep step) { return std::find(steps.begin(), steps.end(), step) != steps.end(); };
    // One pass reclassifies both kinds; the rule of an unchanged choice
    // gives those games the state they already have.
    if (has(KlmDisplayStep::ZerosCrcRule) || has(KlmDisplayStep::OnesCrcRule)) klmApplySpecialCrcRule(cat, after);
    if (has(KlmDisplayStep::FormatDates)) klmFormatDates(cat, after.dateFormat);
    if (has(KlmDisplayStep::FormatPrices)) klmFormatPrices(cat, after.priceFormat);
    if (has(KlmDisplayStep::FormatSizes)) klmFormatSizes(cat, after.romSizeFormat);
}
