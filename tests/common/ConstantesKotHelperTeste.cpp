#include <gtest/gtest.h>

#include "common/UConstantesKotHelper.h"

TEST(ConstantesKotHelper, EnderecoDoArtigoTemHostSemPortaNemCaminho) {
  const std::string host = TConstantesKotClass::EnderecoServidor();
  ASSERT_FALSE(host.empty());
  EXPECT_EQ(host.find_first_of(":/?# "), std::string::npos) << host;

  EXPECT_EQ(TConstantesKotClass::LinkArtigo(18568207), "https://" + host + "/pages/viewpage.action?pageId=18568207");
  const std::string zero = TConstantesKotClass::LinkArtigo(0);
  EXPECT_EQ(zero, "https://" + host + "/pages/viewpage.action?pageId=0");
  EXPECT_EQ(TConstantesKotClass::LinkArtigo(9223372036854775807LL).substr(zero.size() - 1), "9223372036854775807");
}
