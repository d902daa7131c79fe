// The packed format, pinned: a fixed corpus packed under every pair of search
// and size switches must give exactly the bytes these digests were made from,
// and restore to the source. Faster coding must not move a single bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "tests/sha256.h"
#include "tests/engine/pinned_corpus.h"
#include "engine/memory_pack.h"
#include "engine/run_parameters.h"

namespace {

struct PinnedDigest {
  const char* key;  // "/search /size source"
  const char* sha256;
};

const PinnedDigest kPinned[] = {
#include "tests/engine/pinned_format_digests.inc"
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

// The corpus itself, so that a generator whose bytes vary with the compiler
// (an order of evaluation left to it, say) is told apart from a packer that
// changed: the pack digests above only hold for these very sources.
TEST(PinnedFormat, TheCorpusIsGeneratedAsPinned) {
  const PinnedDigest kSources[] = {
      {"empty", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"one byte", "2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881"},
      {"abcab", "38b2f9343de308bc2bd7be4ddda3e8b44e55f0c7848996ea10694b758cbb4967"},
      {"nearest of equals", "9bcc778b432da7434d1d9d5534998071a00fa16adb49a0e6769e9f9a69600134"},
      {"period two", "e52b64b6814206006b16834501b436bc9783ab6b0a481f4ee9b6223a2b27dc42"},
      {"text", "343d2e5b48f58e02477549969aefd784f988e3f37d43988483a2bbb28a6efc3a"},
      {"binary", "504f1fc1c6273fb1bf46be97bb8ff647e3a688fb843ce0737be00e26d0d2212e"},
      {"runs", "06a57bda62d491aa0d44913dc0a75750562dab308e362bb883e22389bf32450f"},
      {"records", "edb022a055a7fd8985514a9bb1859960f40d5a217eca864ee4c4c9b957229d38"},
      {"beyond 2^12", "db3e398dda893f0b448372e0c1c2307c26835c794b6158496aba3382472139bc"},
      {"beyond 2^14", "f1b263bcf79074c87c5eff6b84bb882b2a23617e2a9eb57ae07eb889babfd32e"},
      {"beyond 2^15", "29db8f8b32eb9de00db72e3fe3c90f2c8bcfb807c16b058a4a31fce336166e46"},
      {"beyond 2^20", "620eb6d8e76810271bf9b330fafa1d42d1bf74627a0904e88278a26936f0da4d"},
      {"beyond 2^21", "c82d7eff04daafdafc1533f0c52cd87b8f2f94276bc1de5efd71ee4b0e5786a3"},
      {"beyond 2^22", "ae7e150eabefe6c9bdd471ef93beac43ce082d0254e112a1733390329794351b"},
      {"beyond 2^23", "e6149a7975f8612ba1ab642d9e3a4053dfab60fcacc15fea5a0d5452c652e961"},
      {"beyond 2^24", "1ab6a1687988e1e7ad6577032ffd77ecf09f93addf5bb7b309ebf4c65f0d20ea"},
  };
  std::map<std::string, std::string> generated;
  for (const pinned_corpus::Source& source : pinned_corpus::SharedSources()) {
    generated[source.name] = testing_support::Sha256Hex(source.bytes.data(), source.bytes.size());
  }
  for (const char* size = kSizeLetters; *size != '\0'; ++size) {
    const int exponent = WindowExponentFor(*size);
    const pinned_corpus::Bytes beyond = pinned_corpus::BeyondWindow(exponent);
    generated["beyond 2^" + std::to_string(exponent)] = testing_support::Sha256Hex(beyond.data(), beyond.size());
  }
  EXPECT_EQ(generated.size(), sizeof kSources / sizeof kSources[0]);
  for (const PinnedDigest& source : kSources) EXPECT_EQ(generated[source.key], source.sha256) << source.key;
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
