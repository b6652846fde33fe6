#ifndef DATECLICK_H
#define DATECLICK_H

class QDateTimeEdit;

// After a click into the date edit, digits typed replace the day, month or
// year clicked: the edit itself ignores digits typed into a section that is
// full when nothing is selected, as after a click.
void selectSectionOnClick(QDateTimeEdit* edit);

#endif // DATECLICK_H
