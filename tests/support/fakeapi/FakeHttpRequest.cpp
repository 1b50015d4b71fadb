#include "tests/support/fakeapi/FakeHttpRequest.h"

namespace FakeApi {

namespace {

int indexOfHeader(const HeaderList &headers, const QByteArray &name)
{
    for (int i = 0; i < headers.size(); ++i) {
        if (headers.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

QByteArray MultipartPart::header(const QByteArray &name) const
{
    const int i = indexOfHeader(headers, name);
    return i < 0 ? QByteArray() : headers.at(i).second;
}

bool HttpRequest::hasHeader(const QByteArray &name) const
{
    return indexOfHeader(headers, name) >= 0;
}

QByteArray HttpRequest::header(const QByteArray &name) const
{
    const int i = indexOfHeader(headers, name);
    return i < 0 ? QByteArray() : headers.at(i).second;
}

int HttpRequest::headerIndex(const QByteArray &name) const
{
    return indexOfHeader(headers, name);
}

bool HttpRequest::hasField(const QString &name) const
{
    for (const auto &field : formFields) {
        if (field.first == name)
            return true;
    }
    return false;
}

QString HttpRequest::field(const QString &name) const
{
    for (const auto &field : formFields) {
        if (field.first == name)
            return field.second;
    }
    return {};
}

const MultipartPart *HttpRequest::part(const QString &name) const
{
    for (const MultipartPart &p : parts) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

} // namespace FakeApi
