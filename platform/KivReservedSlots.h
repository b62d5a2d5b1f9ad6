// Reserved slots of the engine's interfaces: the places of operations that
// this system never calls. The two revisions of the interfaces hold the same
// operations in the same order with fewer reserved slots between them in the
// older one, so a gap is given for both and this build takes its own:
//
//   KIV_GAP(5, 7)   five reserved slots here in the current revision, seven
//                   in the older
//
// An engine answers a reserved slot by doing nothing. The slots are named
// after the line of their gap, so that the names stay unique in an interface
// and the same in every file that includes it.
#pragma once

#ifdef TARVIK_OLDER_VARIANT
#define KIV_GAP(current, older) KIV_GAP_OF(older, __LINE__)
#else
#define KIV_GAP(current, older) KIV_GAP_OF(current, __LINE__)
#endif

#define KIV_GAP_OF(count, line) KIV_GAP_EXPAND(count, line)
#define KIV_GAP_EXPAND(count, line) KIV_RESERVE_##count(Reserved##line##_)
#define KIV_RESERVED_SLOT(prefix, n) \
  virtual void prefix##n() {}

// KIV_RESERVE_n(prefix): n reserved slots.
#define KIV_RESERVE_0(p)
#define KIV_RESERVE_1(p) KIV_RESERVE_0(p) KIV_RESERVED_SLOT(p, 1)
#define KIV_RESERVE_2(p) KIV_RESERVE_1(p) KIV_RESERVED_SLOT(p, 2)
#define KIV_RESERVE_3(p) KIV_RESERVE_2(p) KIV_RESERVED_SLOT(p, 3)
#define KIV_RESERVE_4(p) KIV_RESERVE_3(p) KIV_RESERVED_SLOT(p, 4)
#define KIV_RESERVE_5(p) KIV_RESERVE_4(p) KIV_RESERVED_SLOT(p, 5)
#define KIV_RESERVE_6(p) KIV_RESERVE_5(p) KIV_RESERVED_SLOT(p, 6)
#define KIV_RESERVE_7(p) KIV_RESERVE_6(p) KIV_RESERVED_SLOT(p, 7)
#define KIV_RESERVE_8(p) KIV_RESERVE_7(p) KIV_RESERVED_SLOT(p, 8)
#define KIV_RESERVE_9(p) KIV_RESERVE_8(p) KIV_RESERVED_SLOT(p, 9)
#define KIV_RESERVE_10(p) KIV_RESERVE_9(p) KIV_RESERVED_SLOT(p, 10)
#define KIV_RESERVE_11(p) KIV_RESERVE_10(p) KIV_RESERVED_SLOT(p, 11)
#define KIV_RESERVE_12(p) KIV_RESERVE_11(p) KIV_RESERVED_SLOT(p, 12)
#define KIV_RESERVE_13(p) KIV_RESERVE_12(p) KIV_RESERVED_SLOT(p, 13)
#define KIV_RESERVE_14(p) KIV_RESERVE_13(p) KIV_RESERVED_SLOT(p, 14)
#define KIV_RESERVE_15(p) KIV_RESERVE_14(p) KIV_RESERVED_SLOT(p, 15)
#define KIV_RESERVE_16(p) KIV_RESERVE_15(p) KIV_RESERVED_SLOT(p, 16)
#define KIV_RESERVE_17(p) KIV_RESERVE_16(p) KIV_RESERVED_SLOT(p, 17)
#define KIV_RESERVE_18(p) KIV_RESERVE_17(p) KIV_RESERVED_SLOT(p, 18)
#define KIV_RESERVE_19(p) KIV_RESERVE_18(p) KIV_RESERVED_SLOT(p, 19)
#define KIV_RESERVE_20(p) KIV_RESERVE_19(p) KIV_RESERVED_SLOT(p, 20)
#define KIV_RESERVE_21(p) KIV_RESERVE_20(p) KIV_RESERVED_SLOT(p, 21)
#define KIV_RESERVE_22(p) KIV_RESERVE_21(p) KIV_RESERVED_SLOT(p, 22)
#define KIV_RESERVE_23(p) KIV_RESERVE_22(p) KIV_RESERVED_SLOT(p, 23)
#define KIV_RESERVE_24(p) KIV_RESERVE_23(p) KIV_RESERVED_SLOT(p, 24)
#define KIV_RESERVE_25(p) KIV_RESERVE_24(p) KIV_RESERVED_SLOT(p, 25)
#define KIV_RESERVE_26(p) KIV_RESERVE_25(p) KIV_RESERVED_SLOT(p, 26)
#define KIV_RESERVE_27(p) KIV_RESERVE_26(p) KIV_RESERVED_SLOT(p, 27)
#define KIV_RESERVE_28(p) KIV_RESERVE_27(p) KIV_RESERVED_SLOT(p, 28)
#define KIV_RESERVE_29(p) KIV_RESERVE_28(p) KIV_RESERVED_SLOT(p, 29)
#define KIV_RESERVE_30(p) KIV_RESERVE_29(p) KIV_RESERVED_SLOT(p, 30)
#define KIV_RESERVE_31(p) KIV_RESERVE_30(p) KIV_RESERVED_SLOT(p, 31)
#define KIV_RESERVE_32(p) KIV_RESERVE_31(p) KIV_RESERVED_SLOT(p, 32)
#define KIV_RESERVE_33(p) KIV_RESERVE_32(p) KIV_RESERVED_SLOT(p, 33)
#define KIV_RESERVE_34(p) KIV_RESERVE_33(p) KIV_RESERVED_SLOT(p, 34)
#define KIV_RESERVE_35(p) KIV_RESERVE_34(p) KIV_RESERVED_SLOT(p, 35)
#define KIV_RESERVE_36(p) KIV_RESERVE_35(p) KIV_RESERVED_SLOT(p, 36)
#define KIV_RESERVE_37(p) KIV_RESERVE_36(p) KIV_RESERVED_SLOT(p, 37)
#define KIV_RESERVE_38(p) KIV_RESERVE_37(p) KIV_RESERVED_SLOT(p, 38)
#define KIV_RESERVE_39(p) KIV_RESERVE_38(p) KIV_RESERVED_SLOT(p, 39)
#define KIV_RESERVE_40(p) KIV_RESERVE_39(p) KIV_RESERVED_SLOT(p, 40)
#define KIV_RESERVE_41(p) KIV_RESERVE_40(p) KIV_RESERVED_SLOT(p, 41)
#define KIV_RESERVE_42(p) KIV_RESERVE_41(p) KIV_RESERVED_SLOT(p, 42)
#define KIV_RESERVE_43(p) KIV_RESERVE_42(p) KIV_RESERVED_SLOT(p, 43)
#define KIV_RESERVE_44(p) KIV_RESERVE_43(p) KIV_RESERVED_SLOT(p, 44)
#define KIV_RESERVE_45(p) KIV_RESERVE_44(p) KIV_RESERVED_SLOT(p, 45)
#define KIV_RESERVE_46(p) KIV_RESERVE_45(p) KIV_RESERVED_SLOT(p, 46)
#define KIV_RESERVE_47(p) KIV_RESERVE_46(p) KIV_RESERVED_SLOT(p, 47)
#define KIV_RESERVE_48(p) KIV_RESERVE_47(p) KIV_RESERVED_SLOT(p, 48)
#define KIV_RESERVE_49(p) KIV_RESERVE_48(p) KIV_RESERVED_SLOT(p, 49)
