#pragma once
// Encrypted Excel 97-2003 workbooks. A book is encrypted when its global records hold a FILEPASS
// record; the records after it are then encrypted, all but their headers. A spreadsheet program
// also writes a book whose structure is protected encrypted, under the format's fixed default
// password ("VelvetSweatshop"), and opens it without asking for any password: such a book is
// decrypted here and read as any other. A book under a password its user set is not opened.
//
// Decrypted: RC4 encryption, and RC4 through CryptoAPI (SHA-1 keys of 40 to 128 bits). XOR
// obfuscation is recognised (its password verifier tells the default password from one a user
// set) but not undone.
//
// This runs in the reading child (Child.h): it uses the C++ library and Qt's hash functions only
// (pure computations), and checks every length it reads, so that any bytes can be given to it.

#include <cstddef>
#include <vector>

namespace importsrc::biff {

enum class Encryption {
    None,        // no FILEPASS record: the stream is read as it is
    Decrypted,   // opened with the default password: `plain` holds the stream decrypted
    Password,    // the book opens only with a password a user set
    Unsupported, // encrypted in a way that is not undone here (under the default password)
    Damaged      // the FILEPASS record breaks the format
};

// Looks for a FILEPASS record among the global records of the workbook stream `data` and, where
// the book opens with the default password, writes the stream decrypted into `plain` (the same
// size; the records' headers and the records the format leaves unencrypted as they are).
Encryption DecryptWorkbook(const unsigned char* data, size_t size, std::vector<unsigned char>& plain);

} // namespace importsrc::biff
