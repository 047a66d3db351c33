#pragma once
// Characters of a caption as the label's text gradient counts them. Captions
// are held as QString; a character is one code point (a surrogate pair is
// never split). Each character also has the byte length it had in the
// Japanese double-byte code page the captions were written for: one byte for
// ASCII and half-width katakana, two for everything else. The three-colour
// gradient splits the text by those byte lengths, so that it divides a
// caption exactly where the double-byte code page did.

#include <QString>
#include <QStringList>

namespace yotsumado {

// 1 for U+0000..U+007F and half-width katakana U+FF61..U+FF9F, otherwise 2.
// ch is one character as SplitCharacters returns it.
int CharacterByteLength(const QString& ch);

// Sum of the byte lengths of the characters.
int TextByteLength(const QStringList& chars);

// Where a three-colour text gradient splits its text: the number of
// characters in the first part. With L the text's byte length, the first part
// ends with the character that holds byte L div 2 (counting bytes from 1).
// Returns 0 for a text shorter than two bytes.
qsizetype ThreeColorSplit(const QStringList& chars);

} // namespace yotsumado
