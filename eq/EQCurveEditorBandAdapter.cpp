#include "eq/EQCurveEditorBandAdapter.h"

#include "eq/EQCurveEditor.h"

EQCurveEditorBandAdapter::EQCurveEditorBandAdapter(EQCurveEditor *editor) : m_editor(editor) {}

EQCurveEditorBandAdapter::~EQCurveEditorBandAdapter() = default;

EQCurveEditor *EQCurveEditorBandAdapter::editor() const
{
    return m_editor;
}

int EQCurveEditorBandAdapter::maximumBandCount() const
{
    return m_editor ? m_editor->maximumBandCount() : 0;
}

QPointF EQCurveEditorBandAdapter::bandPoint(int slot) const
{
    return m_editor ? m_editor->bandPoint(slot) : QPointF();
}

double EQCurveEditorBandAdapter::bandQ(int slot) const
{
    return m_editor ? m_editor->bandQ(slot) : 0.7;
}

QString EQCurveEditorBandAdapter::bandType(int slot) const
{
    return m_editor ? m_editor->bandType(slot) : QStringLiteral("Peaking");
}

void EQCurveEditorBandAdapter::setBandCount(int count)
{
    if (m_editor)
        m_editor->setBandCount(count);
}

void EQCurveEditorBandAdapter::setBands(const QList<double> &freqs, const QList<double> &qs,
                                        const QList<double> &gains, const QList<QString> &types)
{
    if (m_editor)
        m_editor->setBands(freqs, qs, gains, types);
}

void EQCurveEditorBandAdapter::resetToDefault()
{
    if (m_editor)
        m_editor->resetToDefault();
}
