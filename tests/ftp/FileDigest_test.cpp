#include "ftp/FileDigest.h"
#include "ftp/LocalFile.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

struct Vector {
    HashAlgorithm algorithm;
    const char* empty;
    const char* abc;
    const char* millionA; // one million 'a': several read blocks
};

const Vector kVectors[] = {
    {HashAlgorithm::Sha256, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
     "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {HashAlgorithm::Sha1, "da39a3ee5e6b4b0d3255bfef95601890afd80709", "a9993e364706816aba3e25717850c26c9cd0d89d",
     "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {HashAlgorithm::Md5, "d41d8cd98f00b204e9800998ecf8427e", "900150983cd24fb0d6963f7d28e17f72",
     "7707d6ae4e027c70eea2a935c2296f21"},
    {HashAlgorithm::Crc32, "00000000", "352441c2", "dc25bfbc"},
};

TEST(FileDigest, KnownVectorsOfTextsAndFiles)
{
    test::TempTree tree{"varnix-digest"};
    const std::string empty = tree.write("empty", "").string();
    const std::string abc = tree.write("abc", "abc").string();
    const std::string big = tree.write("big", std::string(1000000, 'a')).string();
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(std::string(hashName(v.algorithm)));
        EXPECT_EQ(textDigest("", v.algorithm), v.empty);
        EXPECT_EQ(textDigest("abc", v.algorithm), v.abc);
        EXPECT_EQ(fileDigest(empty, v.algorithm), v.empty);
        EXPECT_EQ(fileDigest(abc, v.algorithm), v.abc);
        EXPECT_EQ(fileDigest(big, v.algorithm), v.millionA);
        EXPECT_EQ(hashByName(hashName(v.algorithm)), v.algorithm);
    }
    EXPECT_EQ(hashByName("sha-256"), HashAlgorithm::Sha256);
    EXPECT_EQ(hashByName("SHA-512"), std::nullopt);
    EXPECT_THROW(fileDigest(tree.path("missing").string(), HashAlgorithm::Md5), CFileException);
    // What runs between blocks (the engine's Cancel check) can end a long digest.
    int blocks = 0;
    EXPECT_THROW(fileDigest(big, HashAlgorithm::Sha256, [&] { if (++blocks == 2) throw CAbortException(); }),
                 CAbortException);
    EXPECT_EQ(blocks, 2);
}

} // namespace
} // namespace varnix
