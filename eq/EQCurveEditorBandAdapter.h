#pragma once

#include "eq/ICustomEqBandEditor.h"

#include <QPointer>

class EQCurveEditor;

// The curve editor as the custom slot store sees it. Answers as for an editor
// without bands once the editor is gone.
class EQCurveEditorBandAdapter : public ICustomEqBandEditor
{
public:
    explicit EQCurveEditorBandAdapter(EQCurveEditor *editor);
    ~EQCurveEditorBandAdapter() override;

    EQCurveEditor *editor() const;

    int maximumBandCount() const override;
    QPointF bandPoint(int slot) const override;
    double bandQ(int slot) const override;
    QString bandType(int slot) const override;

    void setBandCount(int count) override;
    void setBands(const QList<double> &freqs, const QList<double> &qs, const QList<double> &gains,
                  const QList<QString> &types) override;
    void resetToDefault() override;

private:
    QPointer<EQCurveEditor> m_editor;
};
