// The form input loop: puts a form of the definition on the screen, lets the operator move
// from field to field and edit each one, follows the continuation forms and returns the key
// the form was left with.
#pragma once

#include "screen/keys.h"

#include <cstdint>

namespace forms {

// Runs form |number| (a negative number: as the continuation of another form). key is the
// caller's key variable: it comes back holding the key that left the form.
void RunForm(int16_t number, screen::KeyCode& key);

// Draws the session title on row 1, then the form's labels and values.
void DrawForm(int16_t form);

// The column where the session title starts: 41 - length / 2, rounded halves to even.
int16_t TitleColumn(int16_t length);

} // namespace forms
