#pragma once

// The program's look: a style sheet carried in the program's resources.
void applySkin();
