#ifndef STYLE_H
#define STYLE_H

class QWidget;

// Sets the application style and the colour style sheets of the buttons,
// combo boxes, list widgets and table views below root.
void applyStyle(QWidget* root);

// The style sheets alone, for a window opened after start-up: the style
// itself is set once, since setting it again repolishes every widget.
void applySheets(QWidget* root);

#endif // STYLE_H
