#include "SettingsSchema.h"

namespace {

const SettingKey kKeys[] = {
    {"VexoMP", "Version", VEXO_VERSION, SettingKind::FixedText, &Settings::version},
    {"Main", "Left", "268", SettingKind::Int, &Settings::mainLeft},
    {"Main", "Top", "141", SettingKind::Int, &Settings::mainTop},
    {"Main", "OnTop", "0", SettingKind::Bool, &Settings::onTop},
    {"Main", "Volume", "104", SettingKind::Int, &Settings::volume},
    {"Main", "Balans", "0", SettingKind::FloatText, &Settings::balans},
    {"Main", "BalansX", "48", SettingKind::Int, &Settings::balansX},
    {"Main", "RunStringScroll", "0", SettingKind::Int, &Settings::runStringScroll},
    {"Main", "PlayMode", "0", SettingKind::Int, &Settings::playMode},
    {"Main", "TimeMode", "0", SettingKind::Int, &Settings::timeMode},
    {"Main", "Color", "14375437", SettingKind::Int, &Settings::color},
    {"Main", "Scale", nullptr, SettingKind::Int, &Settings::scale},
    {"EQ", "Show", "0", SettingKind::Bool, &Settings::eqShow},
    {"EQ", "Enable", "0", SettingKind::Bool, &Settings::eqEnable},
    {"EQParams", "0", "15", SettingKind::Int, EqBand{0}},
    {"EQParams", "1", "15", SettingKind::Int, EqBand{1}},
    {"EQParams", "2", "15", SettingKind::Int, EqBand{2}},
    {"EQParams", "3", "15", SettingKind::Int, EqBand{3}},
    {"EQParams", "4", "15", SettingKind::Int, EqBand{4}},
    {"EQParams", "5", "15", SettingKind::Int, EqBand{5}},
    {"EQParams", "6", "15", SettingKind::Int, EqBand{6}},
    {"EQParams", "7", "15", SettingKind::Int, EqBand{7}},
    {"EQParams", "8", "15", SettingKind::Int, EqBand{8}},
    {"EQParams", "9", "15", SettingKind::Int, EqBand{9}},
    {"EQParams", "10", "15", SettingKind::Int, EqBand{10}},
    {"PlayList", "Show", "0", SettingKind::Bool, &Settings::playListShow},
    {"PlayList", "Left", "268", SettingKind::Int, &Settings::playListLeft},
    {"PlayList", "Top", nullptr, SettingKind::Int, &Settings::playListTop},
    {"PlayList", "Height", "210", SettingKind::Int, &Settings::playListHeight},
};

} // namespace

std::span<const SettingKey> SettingKeys() {
    return kKeys;
}
