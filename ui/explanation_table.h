#pragma once

#include "field/frame_explanation.h"

#include <QTableWidget>

namespace ui {

// A frame explained field by field: its bytes, the field's name and what it says, one row each.
class ExplanationTable : public QTableWidget {
    Q_OBJECT
public:
    explicit ExplanationTable(QWidget* parent = nullptr);

    void setHeaders(const QString& bytes, const QString& field, const QString& meaning);
    // The same fields in the same order (another answer to the same command) are written over
    // in place and the columns keep their widths; others are laid out anew.
    void showFields(const QList<field::ExplainedField>& fields);
};

} // namespace ui
