#pragma once
// The FILEPASS record of an encrypted workbook: which encryption it names and, for the RC4
// encryption with a 40-bit key ([MS-OFFCRYPTO]), the check of a password.

#include <cstdint>
#include <string>

#include "support/md5.h"
#include "xls/Streams.h"

// What a FILEPASS record names.
enum TFilePassKind { kRC4FilePass, kOtherEncryption, kStrongEncryption };

struct TRC4FilePass {
  std::uint8_t Salt[16] = {};
  std::uint8_t Verifier[16] = {};      // encrypted verifier
  std::uint8_t VerifierHash[16] = {};  // encrypted MD5 of the verifier
};

// Reads the record's data: kOtherEncryption for any type but RC4, kStrongEncryption for RC4
// of another version than 1.1 (the CryptoAPI variants); `APass` is filled for kRC4FilePass.
TFilePassKind ReadRC4FilePass(TEasyStream& AData, TRC4FilePass& APass);
// Tries `APassword`, then the password of files encrypted without one; on success `ADigest`
// is the key material of the password that verified.
bool VerifyRC4FilePass(const TRC4FilePass& APass, const std::u16string& APassword, TMD5Digest& ADigest);
