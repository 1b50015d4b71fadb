#pragma once

#include <QMetaType>

#include <vector>

// The arguments of a queued call, copied on the posting thread by their
// metatypes in this program's code, so that the copy reads the caller's values
// as the poster's own accesses and is written before the post is marked.
// Layout as Qt passes arguments to a slot: argv()[0] is the (absent) return
// value, argv()[i] the i-th argument.
class ArgumentCopies
{
public:
    static bool canCopy(QMetaType type);

    ArgumentCopies(std::vector<QMetaType> types, void *const *values);
    ~ArgumentCopies();
    ArgumentCopies(const ArgumentCopies &) = delete;
    ArgumentCopies &operator=(const ArgumentCopies &) = delete;

    void **argv() { return m_argv.data(); }

private:
    std::vector<QMetaType> m_types;
    std::vector<void *> m_argv;
};
