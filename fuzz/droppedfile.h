#pragma once
// Feeds fuzz input to the picture loader the way a drop does: the bytes are
// written to a file with the dropped file's extension and loaded by path with
// LoadPictureForDisplay, the very call TMainForm1::WMDropFiles makes (its
// colour profile then applied to a small stretch, as a panel draws it). Opening, the
// regular-file check, the choice of decoder by extension and the reads from a
// QFile all run as they do for a real drop.

#include <cstddef>
#include <cstdint>

// Sets up once per process: a Qt application object on the offscreen
// platform (as the program has one) and a private temporary folder.
void InitDroppedFileFuzzing(int* argc, char*** argv);

// Writes the input to "<temporary folder>/dropped<extension>" and loads it.
// A load that fails with the program's error (what the error box would show)
// is an expected outcome; anything else (a crash, a sanitizer report, an
// exception of another kind, a hang) is a finding.
int LoadAsDroppedFile(const std::uint8_t* data, std::size_t size, const char* extension);
