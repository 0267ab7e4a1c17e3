// The printable page holds the data as text, never as markup, fetches nothing, and reads a file
// it names to its end for its size and SHA-256.
#include "protocolpage.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"

namespace {

TEST(ProtocolPageTest, HostileValuesStayTextAndTheExportIsHashedToItsEnd) {
  kdtest::TempDir dir;
  const std::string source = dir.File("Personal.csv");
  kdtest::WriteFile(source, std::string(1000000, 'a'));  // many blocks
  kd::Protocol protocol;
  protocol.Start(false);
  protocol.BeginFile("Personal.csv");
  protocol.NextLine();
  protocol.Convert("7", "<script>M\xFCller & 'Sohn' \"GmbH\"\x07\x81</script>");
  protocol.Finish();
  const kd::RunRecord run = kd::BeginRun("Lex<ware>", {source, dir.Path(), "JA", "NEIN", "18"});
  const std::string page = kd::ProtocolPage(kd::DiskFiles(), protocol, run);

  EXPECT_NE(page.find(">&lt;script&gt;Müller &amp; &#39;Sohn&#39; &quot;GmbH&quot;  "
                      "&lt;/script&gt;<"),
            std::string::npos);
  EXPECT_NE(page.find(">Lex&lt;ware&gt;<"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_TRUE(std::none_of(page.begin(), page.end(), [](char c) {
    return static_cast<unsigned char>(c) < ' ' && c != '\n';
  }));
  for (const char* fetch : {"src=", "href=", "url(", "@import", "<link"}) {
    EXPECT_EQ(page.find(fetch), std::string::npos) << fetch;
  }
  EXPECT_NE(page.find("1.000.000 Bytes"), std::string::npos);
  EXPECT_NE(page.find("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"),
            std::string::npos);
}

}  // namespace
