#include "util/NyVersion.h"

#include <gtest/gtest.h>

TEST(NyVersion, CaptionParts) {
  EXPECT_EQ(ny::ProductName(), "Vellum");
  EXPECT_EQ(ny::ProductVersion(), "00.20");
}
