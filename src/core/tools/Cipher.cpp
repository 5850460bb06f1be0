#include "core/tools/Cipher.h"

#include <sodium.h>

#include <cstring>
#include <vector>

#include "core/text/Strip.h"

namespace qm::cipher {

namespace {

constexpr std::size_t kSalt = crypto_pwhash_SALTBYTES;
constexpr std::size_t kNonce = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kKey = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t kTag = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kLine = 76;
// The prefix is authenticated too, so a text cannot be passed off as another version.
const unsigned char kAssociated[] = {'Q', 'M', '1'};

bool Ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// The interactive limits (about 64 MB, a fraction of a second): a desktop
// tool the user waits on, and still far beyond guessing speed.
bool DeriveKey(unsigned char (&key)[kKey], std::string_view password, const unsigned char* salt) {
    return crypto_pwhash(key, kKey, password.data(), password.size(), salt,
                         crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                         crypto_pwhash_ALG_ARGON2ID13) == 0;
}

bool Space(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x3000;
}

}  // namespace

std::u16string Seal(std::u16string_view text, std::string_view password) {
    if (!Ready()) return {};
    std::vector<unsigned char> blob(kSalt + kNonce + text.size() * 2 + kTag);
    unsigned char* salt = blob.data();
    unsigned char* nonce = salt + kSalt;
    unsigned char* sealed = nonce + kNonce;
    randombytes_buf(salt, kSalt);
    randombytes_buf(nonce, kNonce);
    // The text's own UTF-16 units, little-endian: every text comes back exactly.
    std::vector<unsigned char> plain(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        plain[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
        plain[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
    unsigned char key[kKey];
    if (!DeriveKey(key, password, salt)) return {};
    unsigned long long sealedLength = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sealed, &sealedLength, plain.data(), plain.size(),
                                               kAssociated, sizeof kAssociated, nullptr, nonce,
                                               key);
    sodium_memzero(key, sizeof key);
    sodium_memzero(plain.data(), plain.size());

    std::string base64(sodium_base64_encoded_len(blob.size(), sodium_base64_VARIANT_ORIGINAL),
                       '\0');
    sodium_bin2base64(base64.data(), base64.size(), blob.data(), blob.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    base64.resize(std::strlen(base64.c_str()));
    std::u16string out(kPrefix);
    for (std::size_t i = 0; i < base64.size(); i += kLine) {
        if (i > 0) out += u"\r\n";
        for (std::size_t k = i; k < i + kLine && k < base64.size(); ++k) out += base64[k];
    }
    return out;
}

bool LooksSealed(std::u16string_view text) {
    return text::StripLeft(text, text::kBlanks).substr(0, kPrefix.size()) == kPrefix;
}

Opened Open(std::u16string_view sealedText, std::string_view password) {
    Opened r;
    if (!Ready()) {
        r.error = OpenError::NoMemory;
        return r;
    }
    std::u16string_view s = text::StripLeft(sealedText, text::kBlanks);
    if (s.substr(0, kPrefix.size()) != kPrefix) {
        r.error = OpenError::NotSealed;
        return r;
    }
    s.remove_prefix(kPrefix.size());
    std::string base64;
    base64.reserve(s.size());
    for (char16_t c : s) {
        if (Space(c)) continue;
        if (c > 0x7F) {
            r.error = OpenError::NotSealed;
            return r;
        }
        base64 += static_cast<char>(c);
    }
    std::vector<unsigned char> blob(base64.size() / 4 * 3 + 3);
    std::size_t length = 0;
    if (sodium_base642bin(blob.data(), blob.size(), base64.data(), base64.size(), nullptr, &length,
                          nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length < kSalt + kNonce + kTag || (length - kSalt - kNonce - kTag) % 2 != 0) {
        r.error = OpenError::NotSealed;
        return r;
    }
    const unsigned char* salt = blob.data();
    const unsigned char* nonce = salt + kSalt;
    const unsigned char* sealed = nonce + kNonce;
    const std::size_t sealedLength = length - kSalt - kNonce;
    unsigned char key[kKey];
    if (!DeriveKey(key, password, salt)) {
        r.error = OpenError::NoMemory;
        return r;
    }
    std::vector<unsigned char> plain(sealedLength - kTag);
    unsigned long long plainLength = 0;
    const int bad = crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainLength, nullptr,
                                                               sealed, sealedLength, kAssociated,
                                                               sizeof kAssociated, nonce, key);
    sodium_memzero(key, sizeof key);
    if (bad != 0) {
        r.error = OpenError::WrongPassword;
        return r;
    }
    r.text.resize(plainLength / 2);
    for (std::size_t i = 0; i < r.text.size(); ++i)
        r.text[i] = static_cast<char16_t>(plain[2 * i] | (plain[2 * i + 1] << 8));
    sodium_memzero(plain.data(), plain.size());
    return r;
}

}  // namespace qm::cipher
