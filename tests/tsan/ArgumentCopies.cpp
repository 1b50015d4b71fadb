#include "ArgumentCopies.h"

#include "QtTsanMarks.h"

#include <algorithm>
#include <new>

namespace {

std::align_val_t alignmentOf(const QtPrivate::QMetaTypeInterface *iface)
{
    return std::align_val_t(std::max<std::size_t>(iface->alignment, 1));
}

} // namespace

bool ArgumentCopies::canCopy(QMetaType type)
{
    return type.isValid() && type.iface()->copyCtr && type.sizeOf() > 0;
}

ArgumentCopies::ArgumentCopies(std::vector<QMetaType> types, void *const *values)
    : m_types(std::move(types)), m_argv(m_types.size() + 1, nullptr)
{
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const QtPrivate::QMetaTypeInterface *iface = m_types[i].iface();
        void *value = values[i + 1];
        // The copy constructor may be Qt's own, which TSan does not see: the
        // read of the caller's value is marked here in any case.
        __tsan_read_range(value, iface->size);
        void *copy = ::operator new(iface->size, alignmentOf(iface));
        iface->copyCtr(iface, copy, value);
        m_argv[i + 1] = copy;
    }
}

ArgumentCopies::~ArgumentCopies()
{
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const QtPrivate::QMetaTypeInterface *iface = m_types[i].iface();
        if (iface->dtor)
            iface->dtor(iface, m_argv[i + 1]);
        ::operator delete(m_argv[i + 1], alignmentOf(iface));
    }
}
