#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

// Resources linked from a static library are registered by hand.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace {

// The picture the window and the desktop entry show: it must load through
// Qt's own reader from the resources, with a clear background.
TEST(ProgramIcon, LoadsFromTheResources) {
    InitResources();
    const QImage image(":/zorbex.xpm");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
    EXPECT_FALSE(QIcon(":/zorbex.xpm").isNull());
}

}  // namespace
