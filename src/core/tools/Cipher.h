// "加密解密": a text sealed with a password into printable text, and back.
// libsodium does the work: Argon2id turns the password into a key, and
// XChaCha20-Poly1305 encrypts and authenticates, so a wrong password or a
// changed letter is found out instead of giving garbage.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm::cipher {

// Every sealed text starts with this; the number is the format's version.
inline constexpr std::u16string_view kPrefix = u"QM1:";

// The prefix, then Base64 of salt, nonce and ciphertext, in lines of 76
// characters joined by CR LF. Any UTF-16 text goes in, lone surrogates too.
// Empty when the library cannot start or has no memory for the key.
std::u16string Seal(std::u16string_view text, std::string_view password);

enum class OpenError {
    None,
    NotSealed,      // does not start with the prefix, or is no Base64 of the right size
    WrongPassword,  // or the text was changed: the two cannot be told apart
    NoMemory,
};

struct Opened {
    std::u16string text;
    OpenError error = OpenError::None;
};

// Blanks and line breaks anywhere in the sealed text are ignored.
Opened Open(std::u16string_view sealed, std::string_view password);

// True when the text looks sealed (after leading blanks).
bool LooksSealed(std::u16string_view text);

}  // namespace qm::cipher
