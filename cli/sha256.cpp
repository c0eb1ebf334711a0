// SHA-256 over a file read in blocks, by libcrypto, whose digest uses the processor's
// SHA extensions where it has them: the batch hashes every book it converts.
#include "cli/sha256.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace brenmoor::cli {

namespace {

std::string hexDigest(EVP_MD_CTX* sha) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(sha, digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

} // namespace

std::string fileSha256(const std::string& path) {
    const auto fail = [&path](int error) {
        return std::runtime_error("Could not read \"" + path + "\": " + std::strerror(error) + ".");
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) { // a device or a pipe never ends
        ::close(fd);
        throw std::runtime_error("Could not read \"" + path + "\": it is not a regular file.");
    }
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> sha(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!sha || EVP_DigestInit_ex(sha.get(), EVP_sha256(), nullptr) != 1) {
        ::close(fd);
        throw std::runtime_error("Could not fingerprint \"" + path + "\": SHA-256 is not available.");
    }
    std::vector<unsigned char> buffer(1 << 16);
    while (true) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw fail(error);
        }
        EVP_DigestUpdate(sha.get(), buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return hexDigest(sha.get());
}

std::string textSha256(std::string_view text) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> sha(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!sha || EVP_DigestInit_ex(sha.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available.");
    EVP_DigestUpdate(sha.get(), text.data(), text.size());
    return hexDigest(sha.get());
}

} // namespace brenmoor::cli
