#include "platform/tokenprotect/KeyFileTokenProtector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray blobMagic = QByteArrayLiteral("VKT1");
constexpr int keyBytes = 32;
constexpr int nonceBytes = 12;
constexpr int tagBytes = 16;

struct CipherContextDeleter
{
    void operator()(EVP_CIPHER_CTX *ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// Closes a descriptor when the scope ends.
class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readExactly(int fd, char *data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool writeExactly(int fd, const char *data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Header and description: the part of a blob that is authenticated but not encrypted.
QByteArray blobHeader(const QByteArray &description)
{
    return blobMagic + char(static_cast<unsigned char>(description.size())) + description;
}

} // namespace

KeyFileTokenProtector::KeyFileTokenProtector(QString keyFilePath) : m_keyFilePath(std::move(keyFilePath)) {}

QString KeyFileTokenProtector::defaultKeyFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/session.key");
}

QString KeyFileTokenProtector::keyFilePath() const
{
    return m_keyFilePath.isEmpty() ? defaultKeyFilePath() : m_keyFilePath;
}

std::optional<QByteArray> KeyFileTokenProtector::createKey(const QString &path) const
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning().noquote() << "[Login][Protect] cannot create folder" << info.absolutePath();
        return std::nullopt;
    }
    QByteArray key(keyBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(key.data()), keyBytes) != 1) {
        qWarning("[Login][Protect] no random bytes for a key");
        return std::nullopt;
    }

    // Written under a temporary name and linked into place, so a reader never
    // sees half a key and two processes never replace each other's key.
    QByteArray tmpl = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data()); // mode 0600
    if (fd < 0) {
        qWarning().noquote() << "[Login][Protect] cannot create key file" << path << errnoText();
        return std::nullopt;
    }
    bool written = false;
    {
        Fd guard(fd);
        written = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && writeExactly(fd, key.constData(), key.size())
                  && ::fsync(fd) == 0;
    }
    if (!written) {
        qWarning().noquote() << "[Login][Protect] cannot write key file" << path << errnoText();
        ::unlink(tmpl.constData());
        return std::nullopt;
    }
    const int linked = ::link(tmpl.constData(), QFile::encodeName(path).constData());
    const int linkErrno = errno;
    ::unlink(tmpl.constData());
    if (linked != 0) {
        if (linkErrno == EEXIST)
            return loadKey(false); // another instance was first
        errno = linkErrno;
        qWarning().noquote() << "[Login][Protect] cannot place key file" << path << errnoText();
        return std::nullopt;
    }
    return key;
}

std::optional<QByteArray> KeyFileTokenProtector::loadKey(bool create) const
{
    const QString path = keyFilePath();
    if (path.isEmpty()) {
        qWarning("[Login][Protect] no data folder for the key file");
        return std::nullopt;
    }
    const Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT && create)
            return createKey(path);
        if (errno != ENOENT)
            qWarning().noquote() << "[Login][Protect] cannot open key file" << path << errnoText();
        return std::nullopt;
    }
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        qWarning().noquote() << "[Login][Protect] key file is not a file of this user:" << path;
        return std::nullopt;
    }
    if (st.st_size != keyBytes) {
        qWarning().noquote() << "[Login][Protect] key file has the wrong size:" << path;
        return std::nullopt;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        qWarning().noquote() << "[Login][Protect] key file was readable by others; restricting" << path;
        if (::fchmod(fd.get(), S_IRUSR | S_IWUSR) != 0)
            return std::nullopt;
    }
    QByteArray key(keyBytes, '\0');
    if (!readExactly(fd.get(), key.data(), keyBytes))
        return std::nullopt;
    return key;
}

namespace {

// AES-256-GCM over `input` with `header` authenticated. Encrypting fills
// `tag`; decrypting checks it and fails on any mismatch.
std::optional<QByteArray> gcm(bool encrypt, const QByteArray &key, const QByteArray &nonce, const QByteArray &header,
                              const QByteArray &input, QByteArray *tag)
{
    CipherContext ctx(EVP_CIPHER_CTX_new());
    QByteArray output(input.size(), '\0');
    int len = 0;
    int finalLen = 0;
    const int doEncrypt = encrypt ? 1 : 0;
    const auto *keyData = reinterpret_cast<const unsigned char *>(key.constData());
    const auto *nonceData = reinterpret_cast<const unsigned char *>(nonce.constData());
    auto *out = reinterpret_cast<unsigned char *>(output.data());
    bool ok = ctx && EVP_CipherInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr, doEncrypt) == 1
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, nonceBytes, nullptr) == 1
              && EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, keyData, nonceData, doEncrypt) == 1
              && EVP_CipherUpdate(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char *>(header.constData()),
                                  static_cast<int>(header.size()))
                     == 1
              && EVP_CipherUpdate(ctx.get(), out, &len, reinterpret_cast<const unsigned char *>(input.constData()),
                                  static_cast<int>(input.size()))
                     == 1;
    if (ok && !encrypt)
        ok = EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, tagBytes, tag->data()) == 1;
    ok = ok && EVP_CipherFinal_ex(ctx.get(), out + len, &finalLen) == 1;
    if (ok && encrypt) {
        tag->resize(tagBytes);
        ok = EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, tagBytes, tag->data()) == 1;
    }
    if (!ok)
        return std::nullopt;
    return output;
}

} // namespace

std::optional<QByteArray> KeyFileTokenProtector::protect(const QByteArray &plain, const QByteArray &description)
{
    if (description.size() > 255)
        return std::nullopt;
    const std::optional<QByteArray> key = loadKey(true);
    if (!key)
        return std::nullopt;
    QByteArray nonce(nonceBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(nonce.data()), nonceBytes) != 1)
        return std::nullopt;
    const QByteArray header = blobHeader(description);
    QByteArray tag;
    const std::optional<QByteArray> cipher = gcm(true, *key, nonce, header, plain, &tag);
    if (!cipher)
        return std::nullopt;
    return header + nonce + *cipher + tag;
}

ITokenProtector::Unsealed KeyFileTokenProtector::unprotect(const QByteArray &sealed)
{
    if (!sealed.startsWith(blobMagic) || sealed.size() < blobMagic.size() + 1)
        return {Status::NotProtected, {}};
    const int descriptionSize = static_cast<unsigned char>(sealed.at(blobMagic.size()));
    const qsizetype headerSize = blobMagic.size() + 1 + descriptionSize;
    if (sealed.size() < headerSize + nonceBytes + tagBytes)
        return {Status::Failed, {}};

    const std::optional<QByteArray> key = loadKey(false);
    if (!key)
        return {Status::Failed, {}};

    const QByteArray header = sealed.left(headerSize);
    const QByteArray nonce = sealed.mid(headerSize, nonceBytes);
    const QByteArray cipher = sealed.mid(headerSize + nonceBytes, sealed.size() - headerSize - nonceBytes - tagBytes);
    QByteArray tag = sealed.right(tagBytes);
    const std::optional<QByteArray> plain = gcm(false, *key, nonce, header, cipher, &tag);
    if (!plain)
        return {Status::Failed, {}};
    return {Status::Ok, *plain};
}
