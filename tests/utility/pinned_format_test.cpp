// The packed format, pinned: a fixed corpus packed under every pair of search
// and size switches must give exactly the bytes these digests were made from,
// and restore to the source. Faster coding must not move a single bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "tests/sha256.h"
#include "tests/utility/pinned_corpus.h"
#include "utility/memory_pack.h"
#include "utility/run_parameters.h"

namespace {

struct PinnedDigest {
  const char* key;  // "/search /size source"
  const char* sha256;
};

const PinnedDigest kPinned[] = {
#include "tests/utility/pinned_format_digests.inc"
};

constexpr char kSearchLetters[] = "TSGFQ";
constexpr char kSizeLetters[] = "HLM21CST";

void ExpectPinned(const std::string& key, const pinned_corpus::Bytes& source, const Switches& switches,
                  const std::map<std::string, std::string>& pinned) {
  const std::vector<uint8_t> packed = PackBytes(source.data(), source.size(), switches);
  const std::string digest = testing_support::Sha256Hex(packed.data(), packed.size());
  auto found = pinned.find(key);
  if (found == pinned.end()) {
    ADD_FAILURE() << "no pinned digest: {\"" << key << "\", \"" << digest << "\"},";
  } else {
    EXPECT_EQ(found->second, digest) << key;
  }
  UnpackResult restored = UnpackBytes(packed.data(), packed.size());
  EXPECT_EQ(restored.end, DecodeEnd::kEndMark) << key;
  EXPECT_TRUE(restored.bytes == source) << key;
}

TEST(PinnedFormat, EverySwitchPairPacksTheCorpusAsBefore) {
  std::map<std::string, std::string> pinned;
  for (const PinnedDigest& entry : kPinned) pinned[entry.key] = entry.sha256;
  ASSERT_EQ(pinned.size(), sizeof kPinned / sizeof kPinned[0]) << "a key is pinned twice";
  const std::vector<pinned_corpus::Source> shared = pinned_corpus::SharedSources();
  size_t checked = 0;
  for (const char* size = kSizeLetters; *size != '\0'; ++size) {
    const int exponent = WindowExponentFor(*size);
    const pinned_corpus::Bytes beyond = pinned_corpus::BeyondWindow(exponent);
    for (const char* search = kSearchLetters; *search != '\0'; ++search) {
      const Switches switches{SearchExponentFor(*search), exponent};
      const std::string pair = std::string("/") + *search + " /" + *size + " ";
      for (const pinned_corpus::Source& source : shared) {
        ExpectPinned(pair + source.name, source.bytes, switches, pinned);
        ++checked;
      }
      ExpectPinned(pair + "beyond the window", beyond, switches, pinned);
      ++checked;
    }
  }
  // Every digest in the table was compared with something.
  EXPECT_EQ(checked, pinned.size());
}

// The digest itself, by the standard's published examples: empty, one
// block, a message whose padding needs a second block, and many blocks fed
// in uneven pieces.
TEST(PinnedFormat, DigestsAreSha256) {
  struct Case {
    std::string message;
    const char* sha256;
  } const cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(testing_support::Sha256Hex(reinterpret_cast<const uint8_t*>(c.message.data()), c.message.size()),
              c.sha256)
        << c.message;
  }
  const std::vector<uint8_t> million(1000000, 'a');
  testing_support::Sha256 sha;
  testing_support::StartSha256(sha);
  for (size_t at = 0, piece = 1; at < million.size(); at += piece, piece = piece * 3 % 1000 + 1) {
    testing_support::AddSha256(sha, million.data() + at, std::min(piece, million.size() - at));
  }
  EXPECT_EQ(testing_support::FinishSha256(sha), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
