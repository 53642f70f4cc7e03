// A filter's property pages, generated from the engine's model of its
// settings: one row per property, the settable ones editable.
#pragma once

#include "engine/ElementProperties.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QFormLayout;
class QPushButton;

namespace velvaro::dialogs {

class ElementPropertiesDialog final : public QDialog {
public:
    // Every editor is named after its property (QObject::objectName); OK,
    // Cancel and Apply sit in the dialog's QDialogButtonBox. OK and Apply
    // set only the properties the user changed, clamped into their ranges.
    ElementPropertiesDialog(std::shared_ptr<engine::ElementProperties> properties,
                            const QString& caption, QWidget* parent);
    ~ElementPropertiesDialog() override;

private:
    struct Row;
    void AddRow(QFormLayout* form, const engine::PropertyInfo& property);
    QWidget* MakeEditor(Row& row);
    QWidget* MakeNumberEntry(Row& row);
    QWidget* MakeFlags(Row& row);
    void MarkChanged(Row& row);
    // Shows every property as the element now has it: a change may have
    // moved others too, or been clamped.
    void Refresh();
    void Apply();

    std::shared_ptr<engine::ElementProperties> properties_;
    std::vector<std::unique_ptr<Row>> rows_;
    QPushButton* apply_ = nullptr;
    bool loading_ = false;
};

// Shows the pages modally beside the mouse and returns once they are
// closed.
void ShowElementProperties(const std::shared_ptr<engine::ElementProperties>& properties,
                           const std::string& caption, QWidget* parent);

}  // namespace velvaro::dialogs
