#pragma once

// The program's two actions on a caller's number: place a voice call, and
// open the messaging application on a new SMS to it. The number is used
// exactly as stored in the call log; a null number counts as empty.

#include "platform/PlatformTypes.h"

// Asks the phone to dial the number. When no dialler takes it, a message box
// names the number so that the user can dial it by hand, and the result is
// -1; otherwise 0.
int DialNumber(LPCWSTR pszNumber);

// Starts the messaging application on its SMS service, then on a new
// message to the number, and waits until that second process has ended.
// A contact name other than the number itself goes to the messaging
// application too ("-contact NAME" before "mailto:NUMBER"), so that it can
// show whom the message is for; it is left out when the command line could
// not hold it. Returns 1 when both launches succeeded, 0 when either failed
// or when the number does not fit the command line (more than 252
// characters), in which case nothing is started.
int SendSms(LPCWSTR pszNumber, LPCWSTR pszName = nullptr);
