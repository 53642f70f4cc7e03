#include "ElementPropertiesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>
#include <functional>
#include <optional>
#include <utility>

namespace velvaro::dialogs {

using engine::ElementProperties;
using engine::PropertyInfo;
using engine::PropertyKind;
using engine::PropertyValue;

struct ElementPropertiesDialog::Row {
    PropertyInfo property;
    bool changed = false;
    std::function<void(const PropertyValue&)> show;
    // The editor's value; nothing when the entry means nothing.
    std::function<std::optional<PropertyValue>()> read;
};

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

template <typename Number>
Number Held(const PropertyValue& value) {
    const Number* number = std::get_if<Number>(&value);
    return number ? *number : Number{};
}

qint64 SpinValue(const PropertyValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return *number;
    }
    return static_cast<qint64>(Held<std::uint64_t>(value));
}

QString NumberText(const PropertyValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return QString::number(*number);
    }
    return QString::number(Held<std::uint64_t>(value));
}

bool FitsSpinBox(const PropertyInfo& property) {
    return property.kind == PropertyKind::Integer
               ? property.integerMinimum >= INT_MIN && property.integerMaximum <= INT_MAX
               : property.unsignedMaximum <= static_cast<std::uint64_t>(INT_MAX);
}

}  // namespace

ElementPropertiesDialog::ElementPropertiesDialog(std::shared_ptr<ElementProperties> properties,
                                                 const QString& caption, QWidget* parent)
    : QDialog(parent), properties_(std::move(properties)) {
    setWindowTitle(caption);
    setModal(true);

    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    for (const PropertyInfo& property : properties_->List()) {
        AddRow(form, property);
    }
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Apply);
    apply_ = buttons->button(QDialogButtonBox::Apply);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        Apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    Refresh();
}

ElementPropertiesDialog::~ElementPropertiesDialog() = default;

void ElementPropertiesDialog::AddRow(QFormLayout* form, const PropertyInfo& property) {
    auto row = std::make_unique<Row>();
    row->property = property;
    QWidget* editor = MakeEditor(*row);
    editor->setObjectName(Text(property.name));
    editor->setEnabled(property.writable && row->read);
    const QString blurb = Text(property.blurb);
    editor->setToolTip(blurb);
    auto* label = new QLabel(Text(property.nick));
    label->setToolTip(blurb);
    label->setBuddy(editor);
    form->addRow(label, editor);
    rows_.push_back(std::move(row));
}

QWidget* ElementPropertiesDialog::MakeEditor(Row& row) {
    const PropertyInfo& property = row.property;
    switch (property.kind) {
        case PropertyKind::Boolean: {
            auto* box = new QCheckBox;
            row.show = [box](const PropertyValue& value) { box->setChecked(Held<bool>(value)); };
            row.read = [box]() -> std::optional<PropertyValue> { return box->isChecked(); };
            connect(box, &QCheckBox::toggled, this, [this, &row] { MarkChanged(row); });
            return box;
        }
        case PropertyKind::Integer:
        case PropertyKind::Unsigned: {
            if (!FitsSpinBox(property)) {
                return MakeNumberEntry(row);
            }
            auto* box = new QSpinBox;
            const bool isSigned = property.kind == PropertyKind::Integer;
            box->setRange(
                static_cast<int>(isSigned ? property.integerMinimum : property.unsignedMinimum),
                static_cast<int>(isSigned ? property.integerMaximum : property.unsignedMaximum));
            row.show = [box](const PropertyValue& value) {
                box->setValue(static_cast<int>(SpinValue(value)));
            };
            row.read = [box, isSigned]() -> std::optional<PropertyValue> {
                if (isSigned) {
                    return static_cast<std::int64_t>(box->value());
                }
                return static_cast<std::uint64_t>(box->value());
            };
            connect(box, &QSpinBox::valueChanged, this, [this, &row] { MarkChanged(row); });
            return box;
        }
        case PropertyKind::Real: {
            auto* box = new QDoubleSpinBox;
            // Decimals first: the box rounds its range and value to them.
            box->setDecimals(6);
            box->setRange(property.realMinimum, property.realMaximum);
            row.show = [box](const PropertyValue& value) { box->setValue(Held<double>(value)); };
            row.read = [box]() -> std::optional<PropertyValue> { return box->value(); };
            connect(box, &QDoubleSpinBox::valueChanged, this, [this, &row] { MarkChanged(row); });
            return box;
        }
        case PropertyKind::Choice: {
            auto* box = new QComboBox;
            for (const auto& choice : property.choices) {
                box->addItem(Text(choice.nick), QVariant::fromValue<qint64>(choice.value));
                box->setItemData(box->count() - 1, Text(choice.name), Qt::ToolTipRole);
            }
            row.show = [box](const PropertyValue& value) {
                box->setCurrentIndex(
                    box->findData(QVariant::fromValue<qint64>(Held<std::int64_t>(value))));
            };
            row.read = [box]() -> std::optional<PropertyValue> {
                if (box->currentIndex() < 0) {
                    return std::nullopt;
                }
                return static_cast<std::int64_t>(box->currentData().toLongLong());
            };
            connect(box, &QComboBox::currentIndexChanged, this, [this, &row] { MarkChanged(row); });
            return box;
        }
        case PropertyKind::Flags:
            return MakeFlags(row);
        case PropertyKind::Text:
        case PropertyKind::Serialized:
        case PropertyKind::Description: {
            auto* entry = new QLineEdit;
            row.show = [entry](const PropertyValue& value) {
                const auto* text = std::get_if<std::string>(&value);
                entry->setText(text ? Text(*text) : QString());
            };
            if (property.kind == PropertyKind::Description) {
                entry->setReadOnly(true);
                return entry;
            }
            row.read = [entry]() -> std::optional<PropertyValue> {
                return entry->text().toStdString();
            };
            connect(entry, &QLineEdit::textChanged, this, [this, &row] { MarkChanged(row); });
            return entry;
        }
    }
    return new QWidget;
}

// Whole numbers too wide for a spin box: typed in, and clamped into the
// range as soon as the user leaves the entry.
QWidget* ElementPropertiesDialog::MakeNumberEntry(Row& row) {
    auto* entry = new QLineEdit;
    entry->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[+-]?\\d*")), entry));
    const PropertyInfo& property = row.property;
    row.show = [entry](const PropertyValue& value) { entry->setText(NumberText(value)); };
    row.read = [entry, &property]() {
        return ElementProperties::ParseNumber(property, entry->text().toStdString());
    };
    connect(entry, &QLineEdit::editingFinished, this, [entry, &row] {
        if (const auto number = row.read(); number && NumberText(*number) != entry->text()) {
            entry->setText(NumberText(*number));
        }
    });
    connect(entry, &QLineEdit::textChanged, this, [this, &row] { MarkChanged(row); });
    return entry;
}

// One box per single-bit flag; bits without a box keep their value.
QWidget* ElementPropertiesDialog::MakeFlags(Row& row) {
    auto* group = new QWidget;
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    auto boxes = std::make_shared<std::vector<std::pair<QCheckBox*, std::uint64_t>>>();
    for (const auto& flag : row.property.choices) {
        auto* box = new QCheckBox(Text(flag.nick));
        box->setObjectName(Text(flag.nick));
        box->setToolTip(Text(flag.name));
        layout->addWidget(box);
        boxes->emplace_back(box, static_cast<std::uint64_t>(flag.value));
        connect(box, &QCheckBox::toggled, this, [this, &row] { MarkChanged(row); });
    }
    auto shown = std::make_shared<std::uint64_t>(0);
    row.show = [boxes, shown](const PropertyValue& value) {
        *shown = Held<std::uint64_t>(value);
        for (const auto& [box, bit] : *boxes) {
            box->setChecked((*shown & bit) != 0);
        }
    };
    row.read = [boxes, shown]() -> std::optional<PropertyValue> {
        std::uint64_t flags = *shown;
        for (const auto& [box, bit] : *boxes) {
            flags = box->isChecked() ? flags | bit : flags & ~bit;
        }
        return flags;
    };
    return group;
}

void ElementPropertiesDialog::MarkChanged(Row& row) {
    if (loading_) {
        return;
    }
    row.changed = true;
    apply_->setEnabled(true);
}

void ElementPropertiesDialog::Refresh() {
    loading_ = true;
    for (const auto& row : rows_) {
        if (const auto value = properties_->Get(row->property.name)) {
            row->show(*value);
        }
        row->changed = false;
    }
    loading_ = false;
    apply_->setEnabled(false);
}

void ElementPropertiesDialog::Apply() {
    for (const auto& row : rows_) {
        if (!row->changed || !row->property.writable || !row->read) {
            continue;
        }
        if (const auto value = row->read()) {
            properties_->Set(row->property.name, *value);
        }
    }
    Refresh();
}

void ShowElementProperties(const std::shared_ptr<ElementProperties>& properties,
                           const std::string& caption, QWidget* parent) {
    if (!properties) {
        return;
    }
    // Deleted here, unless the parent goes while the pages run and takes
    // them with it.
    QPointer<ElementPropertiesDialog> dialog =
        new ElementPropertiesDialog(properties, QString::fromStdString(caption), parent);
    // Opened beside the mouse, where the user just chose the filter.
    dialog->move(QCursor::pos() - QPoint(50, 50));
    dialog->exec();
    delete dialog.data();
}

}  // namespace velvaro::dialogs
