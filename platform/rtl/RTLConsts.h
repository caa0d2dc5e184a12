#pragma once

// The runtime library's message texts, as the class library words them.
// Those with a %d or %s go through Format.

inline constexpr char SAssignError[] = "Cannot assign a %s to a %s";
inline constexpr char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr char SListCapacityError[] = "List capacity out of bounds (%d)";
inline constexpr char SListCountError[] = "List count out of bounds (%d)";
inline constexpr char SDuplicateItem[] = "List does not allow duplicates";
inline constexpr char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr char SSortedListError[] = "Operation not allowed on sorted list";
inline constexpr char SDuplicateName[] = "A component named %s already exists";
inline constexpr char SInvalidName[] = "'%s' is not a valid component name";
inline constexpr char SNoConstructor[] = "Class %s cannot be created %s";
inline constexpr char SInvalidPropertyValue[] = "Invalid property value";
inline constexpr char SReadError[] = "Stream read error";
inline constexpr char SWriteError[] = "Stream write error";
inline constexpr char SFCreateError[] = "Cannot create file \"%s\". %s";
inline constexpr char SFOpenError[] = "Cannot open file \"%s\". %s";
inline constexpr char SSetSizeError[] = "Cannot change the stream size: %s";
inline constexpr char SCantWriteResourceStreamError[] =
    "Can't write to a read-only resource stream";
inline constexpr char SResNotFound[] = "Resource %s not found";
inline constexpr char SCheckSynchronizeError[] =
    "CheckSynchronize called from thread %s, which is NOT the main thread";
inline constexpr char SThreadNotStarted[] = "Cannot wait for a thread that was never started";
inline constexpr char SIniFileWriteError[] = "Unable to write to %s";
inline constexpr char SRegCreateFailed[] = "Failed to create key %s";
inline constexpr char SRegGetDataFailed[] = "Failed to get data for '%s'";
inline constexpr char SRegSetDataFailed[] = "Failed to set data for '%s'";
inline constexpr char SInvalidRegType[] = "Invalid data type for '%s'";
