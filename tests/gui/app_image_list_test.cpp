// The shared icons: every image present, drawn at 16 px and sharp at twice the size.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "gui/models/app_image_list.h"

namespace {

TEST(AppImageListTest, EveryImageDrawnSharpAtOneAndTwoTimes) {
  const AppImageList& images = AppImageList::Shared();
  for (int i = 0; i < kAppImageCount; ++i) {
    const QIcon icon = images.Icon(i);
    ASSERT_FALSE(icon.isNull()) << "image " << i;
    for (int size : {16, 32}) {
      const QImage picture = icon.pixmap(QSize(size, size)).toImage();
      EXPECT_EQ(picture.size(), QSize(size, size)) << "image " << i;
      int opaque = 0;
      for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) opaque += qAlpha(picture.pixel(x, y)) > 128;
      }
      EXPECT_GT(opaque, size * size / 5) << "image " << i << " at " << size << " px is nearly empty";
    }
  }
  EXPECT_TRUE(images.Icon(-1).isNull());
  EXPECT_TRUE(images.Icon(kAppImageCount).isNull());
}

}  // namespace
