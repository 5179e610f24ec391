// Score entry: one pilot's flight scored figure by figure, then the sheet
// confirmed, stored, sent, printed and queued when it could not be delivered.
#pragma once

// What the display shows during score entry (row 0 header, rows 1-3 the
// previous, current and next figure) and what was last written to it.
extern char aCurrentScreen[4][21];
extern char aFormerScreen[4][20];
// The full header does not fit on one row and alternates between two texts.
extern bool bBlink;
// Delivery result of the last sheet: 0 accepted, -1 no link, else the server's code.
extern int wifiRet;

void screen_note();
void display_note(int index, bool announce);
// 2 when the judge confirms the sheet, 3 when the judge goes back to it.
int display_validation();
