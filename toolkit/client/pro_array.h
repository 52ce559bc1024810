#pragma once
// The toolkit's growable arrays, as the client's other calls build them.
//
// A ProArray points at its first element; a header before it records a
// validity mark, the size, the capacity, the element size and the growth step.
// Storage is malloc'd. Not synchronised: an array belongs to one caller.
#include <ProToolkit.h>
#include <cstddef>

namespace tkclient {

// A new array of n zeroed elements, or null when memory runs out or the
// arguments are out of range.
ProArray NewArray(int n, int element_size, int step);

// The element size of a valid array, or 0 when `array` is not one.
int ArrayElementSize(ProArray array);

// The number of elements of a valid array (0 when `array` is not one).
int ArraySize(ProArray array);

// Drops elements beyond `size` (never grows).
void ArrayShrink(ProArray array, int size);

// Appends n elements copied from src; false (array unchanged) on failure.
bool ArrayAppend(ProArray* array, const void* src, int n);

// Appends to *slot, making the array first when *slot is null. False when
// *slot is not an array of element_size or memory runs out.
bool AppendToCallerArray(ProArray* slot, int element_size, const void* src, int n);

}  // namespace tkclient
