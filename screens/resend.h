// Resending this judge's unsent score sheets, shared by the shortcuts and
// downloads screens.
#pragma once

// Prints the queue, then tries every queued sheet of `gJudge` once, page by
// page of at most 20, showing the progress; accepted sheets leave the queue.
void resendUnsentSheets();

// Where in the queue the resend asks for its next page.
extern int offset;
