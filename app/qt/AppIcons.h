// The program's pictures: its application icon and the tool bar's buttons.
//
// The tool bar asks the desktop's icon theme for a freedesktop icon name that the common
// themes (Adwaita, Breeze, Tango and their kin) carry; where the theme has none, or no theme
// is installed, the program's own picture of the same meaning is used, never an unrelated
// picture of the toolkit. The application icon is the program's own, in every size the
// hicolor theme gets at installation.
#pragma once

#include <QIcon>
#include <QString>

namespace ny {

// The application icon (16 to 256 pixels).
QIcon AppIcon();
// The freedesktop icon name of a tool bar button ("bLibOpen" -> "document-open"); "" for a
// name that is no tool bar button.
QString ToolIconName(const QString& button);
// The program's own picture of a tool bar button; a null icon for an unknown name.
QIcon ToolFallbackIcon(const QString& button);
// The theme's icon of ToolIconName(button), else ToolFallbackIcon(button).
QIcon ToolIcon(const QString& button);

}  // namespace ny
