// Stored font records and colours as Qt sees them: the thin adapter between
// the core's font description (ui/fonts_colours.h) and QFont, and between
// 0x00BBGGRR colours and QColor.
#pragma once

#include <QColor>
#include <QFont>

#include "settings/settings.h"
#include "ui/fonts_colours.h"

class QWidget;

// Vertical logical dots per inch of the screen widget is on (of the primary
// screen without a widget); what point sizes are measured with.
int klmScreenDpi(const QWidget* widget);

// The Qt font of a description, with its family exactly as given; what
// the description does not set comes from base. A cell height becomes the
// character height that gives that cell.
QFont klmQFontOf(const KlmFontFace& face, const QFont& base);

// The description of a Qt font; a size in points becomes pixels at dpi.
KlmFontFace klmFontFaceOf(const QFont& font, int dpi);

// The font to draw a stored record with: a face that is not installed is
// replaced by an installed Japanese face (or fallback's family), the record
// itself keeps its face name.
QFont klmDrawingFont(const KlmFont& record, const QFont& fallback);

// Puts a Qt font into a stored record (see klmStoreFontFace): false when
// the face name had to be cut to its field or lost characters.
bool klmStoreQFont(KlmFont& record, const QFont& font, int dpi);

inline QColor klmQColor(int32_t bgr) { return QColor(klmRedOf(bgr), klmGreenOf(bgr), klmBlueOf(bgr)); }
inline int32_t klmBgrOf(const QColor& c) { return klmBgr(c.red(), c.green(), c.blue()); }
