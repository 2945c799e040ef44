// The display test's pictures, without any window.
#include <gtest/gtest.h>

#include "app/logic/test_pictures.h"

namespace sigra::app {
namespace {

int Lit(const Picture& picture) {
  int lit = 0;
  for (const auto& row : picture) lit += static_cast<int>(row.count());
  return lit;
}

TEST(TestPicturesTest, PatternsAndTheirInverses) {
  const Picture board = Checkerboard();
  EXPECT_TRUE(board[0][0]);
  EXPECT_TRUE(board[7][7]);
  EXPECT_FALSE(board[0][8]);
  EXPECT_FALSE(board[8][0]);
  EXPECT_TRUE(board[8][8]);
  EXPECT_EQ(Lit(board), 192 * 64 / 2);

  const Picture fine = FinePattern();
  for (size_t y = 0; y < 8; ++y) EXPECT_EQ(fine[y], fine[y + 8]) << y;
  EXPECT_TRUE(fine[0][0]);
  EXPECT_FALSE(fine[0][1]);
  EXPECT_FALSE(fine[1][0]);
  EXPECT_EQ(fine[4].count(), 192u - 24u);
  EXPECT_FALSE(fine[4][0]);
  EXPECT_FALSE(fine[5][1]);

  const Picture sigra = SigraPicture();
  EXPECT_TRUE(sigra[0][0]);
  EXPECT_TRUE(sigra[63][191]);
  EXPECT_GT(Lit(sigra), 1000);
  const Picture inverse = Inverse(sigra);
  EXPECT_EQ(Lit(inverse), 192 * 64 - Lit(sigra));
  EXPECT_FALSE(inverse[0][0]);
}

}  // namespace
}  // namespace sigra::app
