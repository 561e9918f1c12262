// Identifiers of the program's resources.
#pragma once
#define kProgramIconResource 1
#define kAboutPictureResource 2
