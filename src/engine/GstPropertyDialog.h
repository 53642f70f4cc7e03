// A generated dialog over a GStreamer element's GObject properties: one row
// per readable property, writable ones editable. Callers need no GStreamer
// headers; the element type is only declared here.
#pragma once

class QDialog;
class QString;
class QWidget;
struct _GstElement;

namespace velvaro::engine {

// Builds the dialog without showing it. The dialog takes its own reference
// on `element`, so the element outlives it. `parent` becomes the dialog's Qt
// parent and owns it; with no parent the caller owns it. Either way the
// caller may delete it at any time. Returns nullptr when `element` is null.
//
// Every editor is named after its property (QObject::objectName), and OK,
// Cancel and Apply sit in the dialog's QDialogButtonBox. OK and Apply set
// only the properties the user changed, clamped to their allowed range.
QDialog* CreateElementPropertiesDialog(_GstElement* element, const QString& caption,
                                       QWidget* parent);

// Shows the dialog modally and returns once it is closed.
void ShowElementProperties(_GstElement* element, const QString& caption, QWidget* parent);

}  // namespace velvaro::engine
