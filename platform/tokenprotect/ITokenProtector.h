#pragma once

#include <QByteArray>

#include <optional>

// Seals small secrets (the session token, the stored user record) so that only
// the current user of this machine can read them back.
class ITokenProtector
{
public:
    enum class Status {
        Ok,           // unsealed
        NotProtected, // the bytes are not a sealed blob of this protector
        Failed,       // a sealed blob that cannot be opened (other key, damaged)
    };

    struct Unsealed
    {
        Status status = Status::Failed;
        QByteArray plain;
    };

    virtual ~ITokenProtector() = default;

    // The sealed form of `plain`, or nothing when protection is unavailable.
    // `description` is kept inside the blob and covered by its authentication.
    virtual std::optional<QByteArray> protect(const QByteArray &plain, const QByteArray &description) = 0;
    virtual Unsealed unprotect(const QByteArray &sealed) = 0;
};
