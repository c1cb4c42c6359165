#include "Skin.h"
#include "SkinColor.h"

#include <gtest/gtest.h>

TEST(SkinColor, ColorRefKeepsRedInTheLowByte) {
    const std::pair<QColor, std::uint32_t> cases[] = {
        {QColor(13, 90, 219), 14375437u}, {QColor(255, 0, 0), 0x0000FFu}, {QColor(0, 0, 255), 0xFF0000u},
        {QColor(0, 255, 0), 0x00FF00u},   {QColor(1, 2, 3), 0x030201u},
    };
    for (const auto& [color, colorRef] : cases) {
        EXPECT_EQ(ColorToColorRef(color), colorRef) << qPrintable(color.name());
        EXPECT_EQ(ColorFromColorRef(colorRef), color) << colorRef;
    }
    // Windows palette flags in the high byte do not change the colour.
    EXPECT_EQ(ColorFromColorRef(0x02030201u), QColor(1, 2, 3));
    EXPECT_EQ(ColorToColorRef(QColor::fromHsv(0, 255, 255)), 0x0000FFu);
}

TEST(Skin, StartsGreenTellsRealChangesAndRefusesInvalidColours) {
    Skin skin;
    EXPECT_EQ(skin.color(), QColor(0, 255, 0));
    int changes = 0;
    QObject::connect(&skin, &Skin::changed, [&] { ++changes; });
    skin.setColor(QColor(13, 90, 219, 40));
    EXPECT_EQ(skin.color(), QColor(13, 90, 219)); // marks are painted opaque
    skin.setColor(QColor(13, 90, 219));
    skin.setColor(QColor());
    EXPECT_EQ(skin.color(), QColor(13, 90, 219));
    EXPECT_EQ(changes, 1) << "only a new colour asks the windows to repaint";
}
