#include "xls/XLSFilePass.h"

#include "xls/RC4.h"
#include "xls/XLSRecordData.h"

TFilePassKind ReadRC4FilePass(TEasyStream& AData, TRC4FilePass& APass) {
  if (RecordWord(AData) != 1) return kOtherEncryption;
  AData.SkipBytes(2);  // major version
  if (RecordWord(AData) != 1) return kStrongEncryption;
  AData.ReadBytes(APass.Salt, 16);
  AData.ReadBytes(APass.Verifier, 16);
  AData.ReadBytes(APass.VerifierHash, 16);
  return kRC4FilePass;
}

bool VerifyRC4FilePass(const TRC4FilePass& APass, const std::u16string& APassword, TMD5Digest& ADigest) {
  for (std::u16string_view password : {std::u16string_view(APassword), kRC4DefaultPassword}) {
    const TMD5Digest digest = RC4PasswordDigest(password, APass.Salt);
    if (RC4VerifyPassword(digest, APass.Verifier, APass.VerifierHash)) {
      ADigest = digest;
      return true;
    }
  }
  return false;
}
