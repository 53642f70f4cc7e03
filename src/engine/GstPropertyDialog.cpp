#include "engine/GstPropertyDialog.h"

#include "engine/GstHandles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
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

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace velvaro::engine {
namespace {

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
using OwnedText = std::unique_ptr<gchar, GFree>;

// A GValue that is always unset when it goes.
class Value {
public:
    explicit Value(GType type) { g_value_init(&value_, type); }
    ~Value() { g_value_unset(&value_); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    GValue* get() { return &value_; }

private:
    GValue value_ = G_VALUE_INIT;
};

// Integer properties of every width, seen through one signed and one
// unsigned 64-bit range.
struct IntegerRange {
    bool isSigned = true;
    qint64 signedMin = 0, signedMax = 0;
    quint64 unsignedMin = 0, unsignedMax = 0;
};

std::optional<IntegerRange> RangeOf(GParamSpec* param) {
    IntegerRange range;
    if (G_IS_PARAM_SPEC_CHAR(param)) {
        range.signedMin = G_PARAM_SPEC_CHAR(param)->minimum;
        range.signedMax = G_PARAM_SPEC_CHAR(param)->maximum;
    } else if (G_IS_PARAM_SPEC_INT(param)) {
        range.signedMin = G_PARAM_SPEC_INT(param)->minimum;
        range.signedMax = G_PARAM_SPEC_INT(param)->maximum;
    } else if (G_IS_PARAM_SPEC_LONG(param)) {
        range.signedMin = G_PARAM_SPEC_LONG(param)->minimum;
        range.signedMax = G_PARAM_SPEC_LONG(param)->maximum;
    } else if (G_IS_PARAM_SPEC_INT64(param)) {
        range.signedMin = G_PARAM_SPEC_INT64(param)->minimum;
        range.signedMax = G_PARAM_SPEC_INT64(param)->maximum;
    } else {
        range.isSigned = false;
        if (G_IS_PARAM_SPEC_UCHAR(param)) {
            range.unsignedMin = G_PARAM_SPEC_UCHAR(param)->minimum;
            range.unsignedMax = G_PARAM_SPEC_UCHAR(param)->maximum;
        } else if (G_IS_PARAM_SPEC_UINT(param)) {
            range.unsignedMin = G_PARAM_SPEC_UINT(param)->minimum;
            range.unsignedMax = G_PARAM_SPEC_UINT(param)->maximum;
        } else if (G_IS_PARAM_SPEC_ULONG(param)) {
            range.unsignedMin = G_PARAM_SPEC_ULONG(param)->minimum;
            range.unsignedMax = G_PARAM_SPEC_ULONG(param)->maximum;
        } else if (G_IS_PARAM_SPEC_UINT64(param)) {
            range.unsignedMin = G_PARAM_SPEC_UINT64(param)->minimum;
            range.unsignedMax = G_PARAM_SPEC_UINT64(param)->maximum;
        } else {
            return std::nullopt;
        }
    }
    return range;
}

bool FitsSpinBox(const IntegerRange& range) {
    return range.isSigned ? range.signedMin >= INT_MIN && range.signedMax <= INT_MAX
                          : range.unsignedMax <= static_cast<quint64>(INT_MAX);
}

qint64 SignedOf(const GValue* value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_CHAR:
            return g_value_get_schar(value);
        case G_TYPE_INT:
            return g_value_get_int(value);
        case G_TYPE_LONG:
            return g_value_get_long(value);
        default:
            return g_value_get_int64(value);
    }
}

quint64 UnsignedOf(const GValue* value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_UCHAR:
            return g_value_get_uchar(value);
        case G_TYPE_UINT:
            return g_value_get_uint(value);
        case G_TYPE_ULONG:
            return g_value_get_ulong(value);
        default:
            return g_value_get_uint64(value);
    }
}

// The numbers were clamped to the property's range first, so they fit.
void SetSigned(GValue* value, qint64 number) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_CHAR:
            g_value_set_schar(value, static_cast<gint8>(number));
            break;
        case G_TYPE_INT:
            g_value_set_int(value, static_cast<gint>(number));
            break;
        case G_TYPE_LONG:
            g_value_set_long(value, static_cast<glong>(number));
            break;
        default:
            g_value_set_int64(value, number);
    }
}

void SetUnsigned(GValue* value, quint64 number) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_UCHAR:
            g_value_set_uchar(value, static_cast<guchar>(number));
            break;
        case G_TYPE_UINT:
            g_value_set_uint(value, static_cast<guint>(number));
            break;
        case G_TYPE_ULONG:
            g_value_set_ulong(value, static_cast<gulong>(number));
            break;
        default:
            g_value_set_uint64(value, number);
    }
}

// Numbers too long for 64 bits saturate, so that they clamp to the range
// rather than being refused.
std::optional<qint64> ParseSigned(const QString& entry) {
    const QString text = entry.trimmed();
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (ok) {
        return number;
    }
    static const QRegularExpression digits(QStringLiteral("^[+-]?\\d+$"));
    if (!digits.match(text).hasMatch()) {
        return std::nullopt;
    }
    return text.startsWith(QLatin1Char('-')) ? std::numeric_limits<qint64>::min()
                                             : std::numeric_limits<qint64>::max();
}

std::optional<quint64> ParseUnsigned(const QString& entry) {
    const QString text = entry.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[+-]?\\d+$"));
    if (!digits.match(text).hasMatch()) {
        return std::nullopt;
    }
    if (text.startsWith(QLatin1Char('-'))) {
        return 0;
    }
    bool ok = false;
    const quint64 number = text.toULongLong(&ok);
    return ok ? number : std::numeric_limits<quint64>::max();
}

QString Describe(const GValue* value) {
    if ((G_VALUE_HOLDS_BOXED(value) && !g_value_get_boxed(value)) ||
        (G_VALUE_HOLDS_OBJECT(value) && !g_value_get_object(value))) {
        return QString();
    }
    OwnedText text(gst_value_serialize(value));
    if (!text) {
        text.reset(g_strdup_value_contents(value));
    }
    return text ? QString::fromUtf8(text.get()) : QString();
}

bool IsSingleBit(guint value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// Properties marked as changeable only up to some state refuse changes
// beyond it, so their editors stay disabled there.
bool MutableIn(GParamFlags flags, GstState state) {
    if (flags & GST_PARAM_MUTABLE_PLAYING) {
        return true;
    }
    if (flags & GST_PARAM_MUTABLE_PAUSED) {
        return state <= GST_STATE_PAUSED;
    }
    if (flags & GST_PARAM_MUTABLE_READY) {
        return state <= GST_STATE_READY;
    }
    return true;
}

struct Row {
    GParamSpec* param = nullptr;  // as listed, for the name and flags
    bool editable = false;
    bool changed = false;
    std::function<void(const GValue*)> show;
    // Fills a value of the property's type from the editor; false when the
    // entry means nothing.
    std::function<bool(GValue*)> read;
};

class ElementPropertiesDialog final : public QDialog {
public:
    ElementPropertiesDialog(GstElement* element, const QString& caption, QWidget* parent)
        : QDialog(parent), element_(GST_ELEMENT(gst_object_ref(element))) {
        setWindowTitle(caption);
        setModal(true);

        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        GstState state = GST_STATE_NULL;
        GST_OBJECT_LOCK(element);
        state = GST_STATE(element);
        GST_OBJECT_UNLOCK(element);

        guint count = 0;
        GParamSpec** params = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
        for (guint i = 0; i < count; ++i) {
            AddRow(form, params[i], state);
        }
        g_free(params);

        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setWidget(page);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                             QDialogButtonBox::Apply);
        apply_ = buttons->button(QDialogButtonBox::Apply);
        apply_->setEnabled(false);
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

private:
    void AddRow(QFormLayout* form, GParamSpec* param, GstState state) {
        const char* name = g_param_spec_get_name(param);
        if (!(param->flags & G_PARAM_READABLE) || std::strcmp(name, "name") == 0 ||
            std::strcmp(name, "parent") == 0) {
            return;
        }
        // An overriding property carries no range; the one it overrides does.
        GParamSpec* target = g_param_spec_get_redirect_target(param);
        if (!target) {
            target = param;
        }
        auto row = std::make_unique<Row>();
        row->param = param;
        row->editable = (param->flags & G_PARAM_WRITABLE) &&
                        !(param->flags & G_PARAM_CONSTRUCT_ONLY) && MutableIn(param->flags, state);
        QWidget* editor = MakeEditor(row.get(), target);
        if (!row->read) {
            row->editable = false;
        }
        editor->setObjectName(QString::fromUtf8(name));
        editor->setEnabled(row->editable);
        const QString blurb = QString::fromUtf8(g_param_spec_get_blurb(param));
        editor->setToolTip(blurb);
        auto* label = new QLabel(QString::fromUtf8(g_param_spec_get_nick(param)));
        label->setToolTip(blurb);
        label->setBuddy(editor);
        form->addRow(label, editor);
        rows_.push_back(std::move(row));
    }

    QWidget* MakeEditor(Row* row, GParamSpec* target) {
        const GType type = G_PARAM_SPEC_VALUE_TYPE(target);
        switch (G_TYPE_FUNDAMENTAL(type)) {
            case G_TYPE_BOOLEAN:
                return MakeCheckBox(row);
            case G_TYPE_CHAR:
            case G_TYPE_UCHAR:
            case G_TYPE_INT:
            case G_TYPE_UINT:
            case G_TYPE_LONG:
            case G_TYPE_ULONG:
            case G_TYPE_INT64:
            case G_TYPE_UINT64:
                if (const auto range = RangeOf(target)) {
                    return FitsSpinBox(*range) ? MakeSpinBox(row, *range)
                                               : MakeNumberEntry(row, *range);
                }
                return MakeText(row, type);
            case G_TYPE_FLOAT:
            case G_TYPE_DOUBLE:
                return MakeDoubleSpinBox(row, target);
            case G_TYPE_STRING:
                return MakeLineEdit(row);
            case G_TYPE_ENUM:
                return MakeComboBox(row, G_PARAM_SPEC_ENUM(target)->enum_class);
            case G_TYPE_FLAGS:
                return MakeFlags(row, G_PARAM_SPEC_FLAGS(target)->flags_class);
            default:
                return MakeText(row, type);
        }
    }

    QWidget* MakeCheckBox(Row* row) {
        auto* box = new QCheckBox;
        row->show = [box](const GValue* value) { box->setChecked(g_value_get_boolean(value)); };
        row->read = [box](GValue* value) {
            g_value_set_boolean(value, box->isChecked());
            return true;
        };
        connect(box, &QCheckBox::toggled, this, [this, row] { MarkChanged(row); });
        return box;
    }

    QWidget* MakeSpinBox(Row* row, const IntegerRange& range) {
        auto* box = new QSpinBox;
        if (range.isSigned) {
            box->setRange(static_cast<int>(range.signedMin), static_cast<int>(range.signedMax));
            row->show = [box](const GValue* value) {
                box->setValue(static_cast<int>(SignedOf(value)));
            };
            row->read = [box](GValue* value) {
                SetSigned(value, box->value());
                return true;
            };
        } else {
            box->setRange(static_cast<int>(range.unsignedMin), static_cast<int>(range.unsignedMax));
            row->show = [box](const GValue* value) {
                box->setValue(static_cast<int>(UnsignedOf(value)));
            };
            row->read = [box](GValue* value) {
                SetUnsigned(value, static_cast<quint64>(box->value()));
                return true;
            };
        }
        connect(box, &QSpinBox::valueChanged, this, [this, row] { MarkChanged(row); });
        return box;
    }

    // 64-bit ranges do not fit a spin box: a plain entry, clamped on reading.
    QWidget* MakeNumberEntry(Row* row, const IntegerRange& range) {
        auto* entry = new QLineEdit;
        entry->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[+-]?\\d*")), entry));
        std::function<std::optional<QString>()> clamped;
        if (range.isSigned) {
            clamped = [entry, range]() -> std::optional<QString> {
                const auto number = ParseSigned(entry->text());
                if (!number) {
                    return std::nullopt;
                }
                return QString::number(std::clamp(*number, range.signedMin, range.signedMax));
            };
            row->show = [entry](const GValue* value) {
                entry->setText(QString::number(SignedOf(value)));
            };
            row->read = [clamped](GValue* value) {
                const auto text = clamped();
                if (text) {
                    SetSigned(value, text->toLongLong());
                }
                return text.has_value();
            };
        } else {
            clamped = [entry, range]() -> std::optional<QString> {
                const auto number = ParseUnsigned(entry->text());
                if (!number) {
                    return std::nullopt;
                }
                return QString::number(std::clamp(*number, range.unsignedMin, range.unsignedMax));
            };
            row->show = [entry](const GValue* value) {
                entry->setText(QString::number(UnsignedOf(value)));
            };
            row->read = [clamped](GValue* value) {
                const auto text = clamped();
                if (text) {
                    SetUnsigned(value, text->toULongLong());
                }
                return text.has_value();
            };
        }
        // Show the clamped number as soon as the user leaves the entry.
        connect(entry, &QLineEdit::editingFinished, this, [entry, clamped] {
            if (const auto text = clamped(); text && *text != entry->text()) {
                entry->setText(*text);
            }
        });
        connect(entry, &QLineEdit::textChanged, this, [this, row] { MarkChanged(row); });
        return entry;
    }

    QWidget* MakeDoubleSpinBox(Row* row, GParamSpec* target) {
        auto* box = new QDoubleSpinBox;
        // Decimals first: the box rounds its range and value to them.
        box->setDecimals(6);
        if (G_IS_PARAM_SPEC_FLOAT(target)) {
            box->setRange(G_PARAM_SPEC_FLOAT(target)->minimum, G_PARAM_SPEC_FLOAT(target)->maximum);
        } else if (G_IS_PARAM_SPEC_DOUBLE(target)) {
            box->setRange(G_PARAM_SPEC_DOUBLE(target)->minimum,
                          G_PARAM_SPEC_DOUBLE(target)->maximum);
        } else {
            box->setRange(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
        }
        const bool isFloat = G_TYPE_FUNDAMENTAL(G_PARAM_SPEC_VALUE_TYPE(target)) == G_TYPE_FLOAT;
        row->show = [box, isFloat](const GValue* value) {
            box->setValue(isFloat ? g_value_get_float(value) : g_value_get_double(value));
        };
        row->read = [box, isFloat](GValue* value) {
            if (isFloat) {
                g_value_set_float(value, static_cast<float>(box->value()));
            } else {
                g_value_set_double(value, box->value());
            }
            return true;
        };
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, row] { MarkChanged(row); });
        return box;
    }

    QWidget* MakeLineEdit(Row* row) {
        auto* entry = new QLineEdit;
        row->show = [entry](const GValue* value) {
            entry->setText(QString::fromUtf8(g_value_get_string(value)));
        };
        row->read = [entry](GValue* value) {
            g_value_set_string(value, entry->text().toUtf8().constData());
            return true;
        };
        connect(entry, &QLineEdit::textChanged, this, [this, row] { MarkChanged(row); });
        return entry;
    }

    QWidget* MakeComboBox(Row* row, GEnumClass* values) {
        auto* box = new QComboBox;
        for (guint i = 0; i < values->n_values; ++i) {
            box->addItem(QString::fromUtf8(values->values[i].value_nick), values->values[i].value);
            box->setItemData(static_cast<int>(i), QString::fromUtf8(values->values[i].value_name),
                             Qt::ToolTipRole);
        }
        row->show = [box](const GValue* value) {
            box->setCurrentIndex(box->findData(g_value_get_enum(value)));
        };
        row->read = [box](GValue* value) {
            if (box->currentIndex() < 0) {
                return false;
            }
            g_value_set_enum(value, box->currentData().toInt());
            return true;
        };
        connect(box, &QComboBox::currentIndexChanged, this, [this, row] { MarkChanged(row); });
        return box;
    }

    // One box per single-bit flag; bits without a box keep their value.
    QWidget* MakeFlags(Row* row, GFlagsClass* values) {
        auto* group = new QWidget;
        auto* layout = new QVBoxLayout(group);
        layout->setContentsMargins(0, 0, 0, 0);
        auto boxes = std::make_shared<std::vector<std::pair<QCheckBox*, guint>>>();
        for (guint i = 0; i < values->n_values; ++i) {
            const GFlagsValue& flag = values->values[i];
            if (!IsSingleBit(flag.value)) {
                continue;
            }
            auto* box = new QCheckBox(QString::fromUtf8(flag.value_nick));
            box->setObjectName(QString::fromUtf8(flag.value_nick));
            box->setToolTip(QString::fromUtf8(flag.value_name));
            layout->addWidget(box);
            boxes->emplace_back(box, flag.value);
            connect(box, &QCheckBox::toggled, this, [this, row] { MarkChanged(row); });
        }
        auto shown = std::make_shared<guint>(0);
        row->show = [boxes, shown](const GValue* value) {
            *shown = g_value_get_flags(value);
            for (const auto& [box, bit] : *boxes) {
                box->setChecked((*shown & bit) != 0);
            }
        };
        row->read = [boxes, shown](GValue* value) {
            guint flags = *shown;
            for (const auto& [box, bit] : *boxes) {
                flags = box->isChecked() ? flags | bit : flags & ~bit;
            }
            g_value_set_flags(value, flags);
            return true;
        };
        return group;
    }

    // Caps, objects and other boxed values: their text form. Caps and
    // structures read back from text, so those stay editable.
    QWidget* MakeText(Row* row, GType type) {
        auto* entry = new QLineEdit;
        row->show = [entry](const GValue* value) { entry->setText(Describe(value)); };
        if (type == GST_TYPE_CAPS || type == GST_TYPE_STRUCTURE) {
            row->read = [entry, type](GValue* value) {
                const QByteArray text = entry->text().trimmed().toUtf8();
                if (text.isEmpty()) {
                    return type == GST_TYPE_CAPS;  // no caps: the value's NULL
                }
                return gst_value_deserialize(value, text.constData()) != FALSE;
            };
            connect(entry, &QLineEdit::textChanged, this, [this, row] { MarkChanged(row); });
        } else {
            entry->setReadOnly(true);
        }
        return entry;
    }

    void MarkChanged(Row* row) {
        if (loading_) {
            return;
        }
        row->changed = true;
        apply_->setEnabled(true);
    }

    // Shows every property as the element now has it; a change may have
    // moved others too, or been clamped.
    void Refresh() {
        loading_ = true;
        GObject* object = G_OBJECT(element_.get());
        for (const auto& row : rows_) {
            Value value(G_PARAM_SPEC_VALUE_TYPE(row->param));
            g_object_get_property(object, g_param_spec_get_name(row->param), value.get());
            row->show(value.get());
            row->changed = false;
        }
        loading_ = false;
        apply_->setEnabled(false);
    }

    void Apply() {
        GObject* object = G_OBJECT(element_.get());
        for (const auto& row : rows_) {
            if (!row->changed || !row->editable) {
                continue;
            }
            Value value(G_PARAM_SPEC_VALUE_TYPE(row->param));
            if (!row->read(value.get())) {
                continue;
            }
            // Setting refuses out-of-range values; clamping makes them fit.
            g_param_value_validate(row->param, value.get());
            g_object_set_property(object, g_param_spec_get_name(row->param), value.get());
        }
        Refresh();
    }

    GstElementHandle element_;
    std::vector<std::unique_ptr<Row>> rows_;
    QPushButton* apply_ = nullptr;
    bool loading_ = false;
};

}  // namespace

QDialog* CreateElementPropertiesDialog(GstElement* element, const QString& caption,
                                       QWidget* parent) {
    if (!element) {
        return nullptr;
    }
    return new ElementPropertiesDialog(element, caption, parent);
}

void ShowElementProperties(GstElement* element, const QString& caption, QWidget* parent) {
    // The parent may go while the dialog runs, and take the dialog with it.
    QPointer<QDialog> dialog = CreateElementPropertiesDialog(element, caption, parent);
    if (dialog) {
        dialog->exec();
    }
    delete dialog;
}

}  // namespace velvaro::engine
