// The standard dictionary of RFC 2289, Appendix D: 2048 words, index =
// position. Words 0..570 have one to three letters, 571..2047 four.
#include "OtpHash.h"

namespace vd::ftp {

const std::array<const char*, 2048> kOtpStandardDictionary = {
    "A",    "ABE",  "ACE",  "ACT",  "AD",   "ADA",  "ADD",  "AGO",
    "AID",  "AIM",  "AIR",  "ALL",  // 0
    "ALP",  "AM",   "AMY",  "AN",   "ANA",  "AND",  "ANN",  "ANT",
    "ANY",  "APE",  "APS",  "APT",  // 12
    "ARC",  "ARE",  "ARK",  "ARM",  "ART",  "AS",   "ASH",  "ASK",
    "AT",   "ATE",  "AUG",  "AUK",  // 24
    "AVE",  "AWE",  "AWK",  "AWL",  "AWN",  "AX",   "AYE",  "BAD",
    "BAG",  "BAH",  "BAM",  "BAN",  // 36
    "BAR",  "BAT",  "BAY",  "BE",   "BED",  "BEE",  "BEG",  "BEN",
    "BET",  "BEY",  "BIB",  "BID",  // 48
    "BIG",  "BIN",  "BIT",  "BOB",  "BOG",  "BON",  "BOO",  "BOP",
    "BOW",  "BOY",  "BUB",  "BUD",  // 60
    "BUG",  "BUM",  "BUN",  "BUS",  "BUT",  "BUY",  "BY",   "BYE",
    "CAB",  "CAL",  "CAM",  "CAN",  // 72
    "CAP",  "CAR",  "CAT",  "CAW",  "COD",  "COG",  "COL",  "CON",
    "COO",  "COP",  "COT",  "COW",  // 84
    "COY",  "CRY",  "CUB",  "CUE",  "CUP",  "CUR",  "CUT",  "DAB",
    "DAD",  "DAM",  "DAN",  "DAR",  // 96
    "DAY",  "DEE",  "DEL",  "DEN",  "DES",  "DEW",  "DID",  "DIE",
    "DIG",  "DIN",  "DIP",  "DO",  // 108
    "DOE",  "DOG",  "DON",  "DOT",  "DOW",  "DRY",  "DUB",  "DUD",
    "DUE",  "DUG",  "DUN",  "EAR",  // 120
    "EAT",  "ED",   "EEL",  "EGG",  "EGO",  "ELI",  "ELK",  "ELM",
    "ELY",  "EM",   "END",  "EST",  // 132
    "ETC",  "EVA",  "EVE",  "EWE",  "EYE",  "FAD",  "FAN",  "FAR",
    "FAT",  "FAY",  "FED",  "FEE",  // 144
    "FEW",  "FIB",  "FIG",  "FIN",  "FIR",  "FIT",  "FLO",  "FLY",
    "FOE",  "FOG",  "FOR",  "FRY",  // 156
    "FUM",  "FUN",  "FUR",  "GAB",  "GAD",  "GAG",  "GAL",  "GAM",
    "GAP",  "GAS",  "GAY",  "GEE",  // 168
    "GEL",  "GEM",  "GET",  "GIG",  "GIL",  "GIN",  "GO",   "GOT",
    "GUM",  "GUN",  "GUS",  "GUT",  // 180
    "GUY",  "GYM",  "GYP",  "HA",   "HAD",  "HAL",  "HAM",  "HAN",
    "HAP",  "HAS",  "HAT",  "HAW",  // 192
    "HAY",  "HE",   "HEM",  "HEN",  "HER",  "HEW",  "HEY",  "HI",
    "HID",  "HIM",  "HIP",  "HIS",  // 204
    "HIT",  "HO",   "HOB",  "HOC",  "HOE",  "HOG",  "HOP",  "HOT",
    "HOW",  "HUB",  "HUE",  "HUG",  // 216
    "HUH",  "HUM",  "HUT",  "I",    "ICY",  "IDA",  "IF",   "IKE",
    "ILL",  "INK",  "INN",  "IO",  // 228
    "ION",  "IQ",   "IRA",  "IRE",  "IRK",  "IS",   "IT",   "ITS",
    "IVY",  "JAB",  "JAG",  "JAM",  // 240
    "JAN",  "JAR",  "JAW",  "JAY",  "JET",  "JIG",  "JIM",  "JO",
    "JOB",  "JOE",  "JOG",  "JOT",  // 252
    "JOY",  "JUG",  "JUT",  "KAY",  "KEG",  "KEN",  "KEY",  "KID",
    "KIM",  "KIN",  "KIT",  "LA",  // 264
    "LAB",  "LAC",  "LAD",  "LAG",  "LAM",  "LAP",  "LAW",  "LAY",
    "LEA",  "LED",  "LEE",  "LEG",  // 276
    "LEN",  "LEO",  "LET",  "LEW",  "LID",  "LIE",  "LIN",  "LIP",
    "LIT",  "LO",   "LOB",  "LOG",  // 288
    "LOP",  "LOS",  "LOT",  "LOU",  "LOW",  "LOY",  "LUG",  "LYE",
    "MA",   "MAC",  "MAD",  "MAE",  // 300
    "MAN",  "MAO",  "MAP",  "MAT",  "MAW",  "MAY",  "ME",   "MEG",
    "MEL",  "MEN",  "MET",  "MEW",  // 312
    "MID",  "MIN",  "MIT",  "MOB",  "MOD",  "MOE",  "MOO",  "MOP",
    "MOS",  "MOT",  "MOW",  "MUD",  // 324
    "MUG",  "MUM",  "MY",   "NAB",  "NAG",  "NAN",  "NAP",  "NAT",
    "NAY",  "NE",   "NED",  "NEE",  // 336
    "NET",  "NEW",  "NIB",  "NIL",  "NIP",  "NIT",  "NO",   "NOB",
    "NOD",  "NON",  "NOR",  "NOT",  // 348
    "NOV",  "NOW",  "NU",   "NUN",  "NUT",  "O",    "OAF",  "OAK",
    "OAR",  "OAT",  "ODD",  "ODE",  // 360
    "OF",   "OFF",  "OFT",  "OH",   "OIL",  "OK",   "OLD",  "ON",
    "ONE",  "OR",   "ORB",  "ORE",  // 372
    "ORR",  "OS",   "OTT",  "OUR",  "OUT",  "OVA",  "OW",   "OWE",
    "OWL",  "OWN",  "OX",   "PA",  // 384
    "PAD",  "PAL",  "PAM",  "PAN",  "PAP",  "PAR",  "PAT",  "PAW",
    "PAY",  "PEA",  "PEG",  "PEN",  // 396
    "PEP",  "PER",  "PET",  "PEW",  "PHI",  "PI",   "PIE",  "PIN",
    "PIT",  "PLY",  "PO",   "POD",  // 408
    "POE",  "POP",  "POT",  "POW",  "PRO",  "PRY",  "PUB",  "PUG",
    "PUN",  "PUP",  "PUT",  "QUO",  // 420
    "RAG",  "RAM",  "RAN",  "RAP",  "RAT",  "RAW",  "RAY",  "REB",
    "RED",  "REP",  "RET",  "RIB",  // 432
    "RID",  "RIG",  "RIM",  "RIO",  "RIP",  "ROB",  "ROD",  "ROE",
    "RON",  "ROT",  "ROW",  "ROY",  // 444
    "RUB",  "RUE",  "RUG",  "RUM",  "RUN",  "RYE",  "SAC",  "SAD",
    "SAG",  "SAL",  "SAM",  "SAN",  // 456
    "SAP",  "SAT",  "SAW",  "SAY",  "SEA",  "SEC",  "SEE",  "SEN",
    "SET",  "SEW",  "SHE",  "SHY",  // 468
    "SIN",  "SIP",  "SIR",  "SIS",  "SIT",  "SKI",  "SKY",  "SLY",
    "SO",   "SOB",  "SOD",  "SON",  // 480
    "SOP",  "SOW",  "SOY",  "SPA",  "SPY",  "SUB",  "SUD",  "SUE",
    "SUM",  "SUN",  "SUP",  "TAB",  // 492
    "TAD",  "TAG",  "TAN",  "TAP",  "TAR",  "TEA",  "TED",  "TEE",
    "TEN",  "THE",  "THY",  "TIC",  // 504
    "TIE",  "TIM",  "TIN",  "TIP",  "TO",   "TOE",  "TOG",  "TOM",
    "TON",  "TOO",  "TOP",  "TOW",  // 516
    "TOY",  "TRY",  "TUB",  "TUG",  "TUM",  "TUN",  "TWO",  "UN",
    "UP",   "US",   "USE",  "VAN",  // 528
    "VAT",  "VET",  "VIE",  "WAD",  "WAG",  "WAR",  "WAS",  "WAY",
    "WE",   "WEB",  "WED",  "WEE",  // 540
    "WET",  "WHO",  "WHY",  "WIN",  "WIT",  "WOK",  "WON",  "WOO",
    "WOW",  "WRY",  "WU",   "YAM",  // 552
    "YAP",  "YAW",  "YE",   "YEA",  "YES",  "YET",  "YOU",  "ABED",
    "ABEL", "ABET", "ABLE", "ABUT",  // 564
    "ACHE", "ACID", "ACME", "ACRE", "ACTA", "ACTS", "ADAM", "ADDS",
    "ADEN", "AFAR", "AFRO", "AGEE",  // 576
    "AHEM", "AHOY", "AIDA", "AIDE", "AIDS", "AIRY", "AJAR", "AKIN",
    "ALAN", "ALEC", "ALGA", "ALIA",  // 588
    "ALLY", "ALMA", "ALOE", "ALSO", "ALTO", "ALUM", "ALVA", "AMEN",
    "AMES", "AMID", "AMMO", "AMOK",  // 600
    "AMOS", "AMRA", "ANDY", "ANEW", "ANNA", "ANNE", "ANTE", "ANTI",
    "AQUA", "ARAB", "ARCH", "AREA",  // 612
    "ARGO", "ARID", "ARMY", "ARTS", "ARTY", "ASIA", "ASKS", "ATOM",
    "AUNT", "AURA", "AUTO", "AVER",  // 624
    "AVID", "AVIS", "AVON", "AVOW", "AWAY", "AWRY", "BABE", "BABY",
    "BACH", "BACK", "BADE", "BAIL",  // 636
    "BAIT", "BAKE", "BALD", "BALE", "BALI", "BALK", "BALL", "BALM",
    "BAND", "BANE", "BANG", "BANK",  // 648
    "BARB", "BARD", "BARE", "BARK", "BARN", "BARR", "BASE", "BASH",
    "BASK", "BASS", "BATE", "BATH",  // 660
    "BAWD", "BAWL", "BEAD", "BEAK", "BEAM", "BEAN", "BEAR", "BEAT",
    "BEAU", "BECK", "BEEF", "BEEN",  // 672
    "BEER", "BEET", "BELA", "BELL", "BELT", "BEND", "BENT", "BERG",
    "BERN", "BERT", "BESS", "BEST",  // 684
    "BETA", "BETH", "BHOY", "BIAS", "BIDE", "BIEN", "BILE", "BILK",
    "BILL", "BIND", "BING", "BIRD",  // 696
    "BITE", "BITS", "BLAB", "BLAT", "BLED", "BLEW", "BLOB", "BLOC",
    "BLOT", "BLOW", "BLUE", "BLUM",  // 708
    "BLUR", "BOAR", "BOAT", "BOCA", "BOCK", "BODE", "BODY", "BOGY",
    "BOHR", "BOIL", "BOLD", "BOLO",  // 720
    "BOLT", "BOMB", "BONA", "BOND", "BONE", "BONG", "BONN", "BONY",
    "BOOK", "BOOM", "BOON", "BOOT",  // 732
    "BORE", "BORG", "BORN", "BOSE", "BOSS", "BOTH", "BOUT", "BOWL",
    "BOYD", "BRAD", "BRAE", "BRAG",  // 744
    "BRAN", "BRAY", "BRED", "BREW", "BRIG", "BRIM", "BROW", "BUCK",
    "BUDD", "BUFF", "BULB", "BULK",  // 756
    "BULL", "BUNK", "BUNT", "BUOY", "BURG", "BURL", "BURN", "BURR",
    "BURT", "BURY", "BUSH", "BUSS",  // 768
    "BUST", "BUSY", "BYTE", "CADY", "CAFE", "CAGE", "CAIN", "CAKE",
    "CALF", "CALL", "CALM", "CAME",  // 780
    "CANE", "CANT", "CARD", "CARE", "CARL", "CARR", "CART", "CASE",
    "CASH", "CASK", "CAST", "CAVE",  // 792
    "CEIL", "CELL", "CENT", "CERN", "CHAD", "CHAR", "CHAT", "CHAW",
    "CHEF", "CHEN", "CHEW", "CHIC",  // 804
    "CHIN", "CHOU", "CHOW", "CHUB", "CHUG", "CHUM", "CITE", "CITY",
    "CLAD", "CLAM", "CLAN", "CLAW",  // 816
    "CLAY", "CLOD", "CLOG", "CLOT", "CLUB", "CLUE", "COAL", "COAT",
    "COCA", "COCK", "COCO", "CODA",  // 828
    "CODE", "CODY", "COED", "COIL", "COIN", "COKE", "COLA", "COLD",
    "COLT", "COMA", "COMB", "COME",  // 840
    "COOK", "COOL", "COON", "COOT", "CORD", "CORE", "CORK", "CORN",
    "COST", "COVE", "COWL", "CRAB",  // 852
    "CRAG", "CRAM", "CRAY", "CREW", "CRIB", "CROW", "CRUD", "CUBA",
    "CUBE", "CUFF", "CULL", "CULT",  // 864
    "CUNY", "CURB", "CURD", "CURE", "CURL", "CURT", "CUTS", "DADE",
    "DALE", "DAME", "DANA", "DANE",  // 876
    "DANG", "DANK", "DARE", "DARK", "DARN", "DART", "DASH", "DATA",
    "DATE", "DAVE", "DAVY", "DAWN",  // 888
    "DAYS", "DEAD", "DEAF", "DEAL", "DEAN", "DEAR", "DEBT", "DECK",
    "DEED", "DEEM", "DEER", "DEFT",  // 900
    "DEFY", "DELL", "DENT", "DENY", "DESK", "DIAL", "DICE", "DIED",
    "DIET", "DIME", "DINE", "DING",  // 912
    "DINT", "DIRE", "DIRT", "DISC", "DISH", "DISK", "DIVE", "DOCK",
    "DOES", "DOLE", "DOLL", "DOLT",  // 924
    "DOME", "DONE", "DOOM", "DOOR", "DORA", "DOSE", "DOTE", "DOUG",
    "DOUR", "DOVE", "DOWN", "DRAB",  // 936
    "DRAG", "DRAM", "DRAW", "DREW", "DRUB", "DRUG", "DRUM", "DUAL",
    "DUCK", "DUCT", "DUEL", "DUET",  // 948
    "DUKE", "DULL", "DUMB", "DUNE", "DUNK", "DUSK", "DUST", "DUTY",
    "EACH", "EARL", "EARN", "EASE",  // 960
    "EAST", "EASY", "EBEN", "ECHO", "EDDY", "EDEN", "EDGE", "EDGY",
    "EDIT", "EDNA", "EGAN", "ELAN",  // 972
    "ELBA", "ELLA", "ELSE", "EMIL", "EMIT", "EMMA", "ENDS", "ERIC",
    "EROS", "EVEN", "EVER", "EVIL",  // 984
    "EYED", "FACE", "FACT", "FADE", "FAIL", "FAIN", "FAIR", "FAKE",
    "FALL", "FAME", "FANG", "FARM",  // 996
    "FAST", "FATE", "FAWN", "FEAR", "FEAT", "FEED", "FEEL", "FEET",
    "FELL", "FELT", "FEND", "FERN",  // 1008
    "FEST", "FEUD", "FIEF", "FIGS", "FILE", "FILL", "FILM", "FIND",
    "FINE", "FINK", "FIRE", "FIRM",  // 1020
    "FISH", "FISK", "FIST", "FITS", "FIVE", "FLAG", "FLAK", "FLAM",
    "FLAT", "FLAW", "FLEA", "FLED",  // 1032
    "FLEW", "FLIT", "FLOC", "FLOG", "FLOW", "FLUB", "FLUE", "FOAL",
    "FOAM", "FOGY", "FOIL", "FOLD",  // 1044
    "FOLK", "FOND", "FONT", "FOOD", "FOOL", "FOOT", "FORD", "FORE",
    "FORK", "FORM", "FORT", "FOSS",  // 1056
    "FOUL", "FOUR", "FOWL", "FRAU", "FRAY", "FRED", "FREE", "FRET",
    "FREY", "FROG", "FROM", "FUEL",  // 1068
    "FULL", "FUME", "FUND", "FUNK", "FURY", "FUSE", "FUSS", "GAFF",
    "GAGE", "GAIL", "GAIN", "GAIT",  // 1080
    "GALA", "GALE", "GALL", "GALT", "GAME", "GANG", "GARB", "GARY",
    "GASH", "GATE", "GAUL", "GAUR",  // 1092
    "GAVE", "GAWK", "GEAR", "GELD", "GENE", "GENT", "GERM", "GETS",
    "GIBE", "GIFT", "GILD", "GILL",  // 1104
    "GILT", "GINA", "GIRD", "GIRL", "GIST", "GIVE", "GLAD", "GLEE",
    "GLEN", "GLIB", "GLOB", "GLOM",  // 1116
    "GLOW", "GLUE", "GLUM", "GLUT", "GOAD", "GOAL", "GOAT", "GOER",
    "GOES", "GOLD", "GOLF", "GONE",  // 1128
    "GONG", "GOOD", "GOOF", "GORE", "GORY", "GOSH", "GOUT", "GOWN",
    "GRAB", "GRAD", "GRAY", "GREG",  // 1140
    "GREW", "GREY", "GRID", "GRIM", "GRIN", "GRIT", "GROW", "GRUB",
    "GULF", "GULL", "GUNK", "GURU",  // 1152
    "GUSH", "GUST", "GWEN", "GWYN", "HAAG", "HAAS", "HACK", "HAIL",
    "HAIR", "HALE", "HALF", "HALL",  // 1164
    "HALO", "HALT", "HAND", "HANG", "HANK", "HANS", "HARD", "HARK",
    "HARM", "HART", "HASH", "HAST",  // 1176
    "HATE", "HATH", "HAUL", "HAVE", "HAWK", "HAYS", "HEAD", "HEAL",
    "HEAR", "HEAT", "HEBE", "HECK",  // 1188
    "HEED", "HEEL", "HEFT", "HELD", "HELL", "HELM", "HERB", "HERD",
    "HERE", "HERO", "HERS", "HESS",  // 1200
    "HEWN", "HICK", "HIDE", "HIGH", "HIKE", "HILL", "HILT", "HIND",
    "HINT", "HIRE", "HISS", "HIVE",  // 1212
    "HOBO", "HOCK", "HOFF", "HOLD", "HOLE", "HOLM", "HOLT", "HOME",
    "HONE", "HONK", "HOOD", "HOOF",  // 1224
    "HOOK", "HOOT", "HORN", "HOSE", "HOST", "HOUR", "HOVE", "HOWE",
    "HOWL", "HOYT", "HUCK", "HUED",  // 1236
    "HUFF", "HUGE", "HUGH", "HUGO", "HULK", "HULL", "HUNK", "HUNT",
    "HURD", "HURL", "HURT", "HUSH",  // 1248
    "HYDE", "HYMN", "IBIS", "ICON", "IDEA", "IDLE", "IFFY", "INCA",
    "INCH", "INTO", "IONS", "IOTA",  // 1260
    "IOWA", "IRIS", "IRMA", "IRON", "ISLE", "ITCH", "ITEM", "IVAN",
    "JACK", "JADE", "JAIL", "JAKE",  // 1272
    "JANE", "JAVA", "JEAN", "JEFF", "JERK", "JESS", "JEST", "JIBE",
    "JILL", "JILT", "JIVE", "JOAN",  // 1284
    "JOBS", "JOCK", "JOEL", "JOEY", "JOHN", "JOIN", "JOKE", "JOLT",
    "JOVE", "JUDD", "JUDE", "JUDO",  // 1296
    "JUDY", "JUJU", "JUKE", "JULY", "JUNE", "JUNK", "JUNO", "JURY",
    "JUST", "JUTE", "KAHN", "KALE",  // 1308
    "KANE", "KANT", "KARL", "KATE", "KEEL", "KEEN", "KENO", "KENT",
    "KERN", "KERR", "KEYS", "KICK",  // 1320
    "KILL", "KIND", "KING", "KIRK", "KISS", "KITE", "KLAN", "KNEE",
    "KNEW", "KNIT", "KNOB", "KNOT",  // 1332
    "KNOW", "KOCH", "KONG", "KUDO", "KURD", "KURT", "KYLE", "LACE",
    "LACK", "LACY", "LADY", "LAID",  // 1344
    "LAIN", "LAIR", "LAKE", "LAMB", "LAME", "LAND", "LANE", "LANG",
    "LARD", "LARK", "LASS", "LAST",  // 1356
    "LATE", "LAUD", "LAVA", "LAWN", "LAWS", "LAYS", "LEAD", "LEAF",
    "LEAK", "LEAN", "LEAR", "LEEK",  // 1368
    "LEER", "LEFT", "LEND", "LENS", "LENT", "LEON", "LESK", "LESS",
    "LEST", "LETS", "LIAR", "LICE",  // 1380
    "LICK", "LIED", "LIEN", "LIES", "LIEU", "LIFE", "LIFT", "LIKE",
    "LILA", "LILT", "LILY", "LIMA",  // 1392
    "LIMB", "LIME", "LIND", "LINE", "LINK", "LINT", "LION", "LISA",
    "LIST", "LIVE", "LOAD", "LOAF",  // 1404
    "LOAM", "LOAN", "LOCK", "LOFT", "LOGE", "LOIS", "LOLA", "LONE",
    "LONG", "LOOK", "LOON", "LOOT",  // 1416
    "LORD", "LORE", "LOSE", "LOSS", "LOST", "LOUD", "LOVE", "LOWE",
    "LUCK", "LUCY", "LUGE", "LUKE",  // 1428
    "LULU", "LUND", "LUNG", "LURA", "LURE", "LURK", "LUSH", "LUST",
    "LYLE", "LYNN", "LYON", "LYRA",  // 1440
    "MACE", "MADE", "MAGI", "MAID", "MAIL", "MAIN", "MAKE", "MALE",
    "MALI", "MALL", "MALT", "MANA",  // 1452
    "MANN", "MANY", "MARC", "MARE", "MARK", "MARS", "MART", "MARY",
    "MASH", "MASK", "MASS", "MAST",  // 1464
    "MATE", "MATH", "MAUL", "MAYO", "MEAD", "MEAL", "MEAN", "MEAT",
    "MEEK", "MEET", "MELD", "MELT",  // 1476
    "MEMO", "MEND", "MENU", "MERT", "MESH", "MESS", "MICE", "MIKE",
    "MILD", "MILE", "MILK", "MILL",  // 1488
    "MILT", "MIMI", "MIND", "MINE", "MINI", "MINK", "MINT", "MIRE",
    "MISS", "MIST", "MITE", "MITT",  // 1500
    "MOAN", "MOAT", "MOCK", "MODE", "MOLD", "MOLE", "MOLL", "MOLT",
    "MONA", "MONK", "MONT", "MOOD",  // 1512
    "MOON", "MOOR", "MOOT", "MORE", "MORN", "MORT", "MOSS", "MOST",
    "MOTH", "MOVE", "MUCH", "MUCK",  // 1524
    "MUDD", "MUFF", "MULE", "MULL", "MURK", "MUSH", "MUST", "MUTE",
    "MUTT", "MYRA", "MYTH", "NAGY",  // 1536
    "NAIL", "NAIR", "NAME", "NARY", "NASH", "NAVE", "NAVY", "NEAL",
    "NEAR", "NEAT", "NECK", "NEED",  // 1548
    "NEIL", "NELL", "NEON", "NERO", "NESS", "NEST", "NEWS", "NEWT",
    "NIBS", "NICE", "NICK", "NILE",  // 1560
    "NINA", "NINE", "NOAH", "NODE", "NOEL", "NOLL", "NONE", "NOOK",
    "NOON", "NORM", "NOSE", "NOTE",  // 1572
    "NOUN", "NOVA", "NUDE", "NULL", "NUMB", "OATH", "OBEY", "OBOE",
    "ODIN", "OHIO", "OILY", "OINT",  // 1584
    "OKAY", "OLAF", "OLDY", "OLGA", "OLIN", "OMAN", "OMEN", "OMIT",
    "ONCE", "ONES", "ONLY", "ONTO",  // 1596
    "ONUS", "ORAL", "ORGY", "OSLO", "OTIS", "OTTO", "OUCH", "OUST",
    "OUTS", "OVAL", "OVEN", "OVER",  // 1608
    "OWLY", "OWNS", "QUAD", "QUIT", "QUOD", "RACE", "RACK", "RACY",
    "RAFT", "RAGE", "RAID", "RAIL",  // 1620
    "RAIN", "RAKE", "RANK", "RANT", "RARE", "RASH", "RATE", "RAVE",
    "RAYS", "READ", "REAL", "REAM",  // 1632
    "REAR", "RECK", "REED", "REEF", "REEK", "REEL", "REID", "REIN",
    "RENA", "REND", "RENT", "REST",  // 1644
    "RICE", "RICH", "RICK", "RIDE", "RIFT", "RILL", "RIME", "RING",
    "RINK", "RISE", "RISK", "RITE",  // 1656
    "ROAD", "ROAM", "ROAR", "ROBE", "ROCK", "RODE", "ROIL", "ROLL",
    "ROME", "ROOD", "ROOF", "ROOK",  // 1668
    "ROOM", "ROOT", "ROSA", "ROSE", "ROSS", "ROSY", "ROTH", "ROUT",
    "ROVE", "ROWE", "ROWS", "RUBE",  // 1680
    "RUBY", "RUDE", "RUDY", "RUIN", "RULE", "RUNG", "RUNS", "RUNT",
    "RUSE", "RUSH", "RUSK", "RUSS",  // 1692
    "RUST", "RUTH", "SACK", "SAFE", "SAGE", "SAID", "SAIL", "SALE",
    "SALK", "SALT", "SAME", "SAND",  // 1704
    "SANE", "SANG", "SANK", "SARA", "SAUL", "SAVE", "SAYS", "SCAN",
    "SCAR", "SCAT", "SCOT", "SEAL",  // 1716
    "SEAM", "SEAR", "SEAT", "SEED", "SEEK", "SEEM", "SEEN", "SEES",
    "SELF", "SELL", "SEND", "SENT",  // 1728
    "SETS", "SEWN", "SHAG", "SHAM", "SHAW", "SHAY", "SHED", "SHIM",
    "SHIN", "SHOD", "SHOE", "SHOT",  // 1740
    "SHOW", "SHUN", "SHUT", "SICK", "SIDE", "SIFT", "SIGH", "SIGN",
    "SILK", "SILL", "SILO", "SILT",  // 1752
    "SINE", "SING", "SINK", "SIRE", "SITE", "SITS", "SITU", "SKAT",
    "SKEW", "SKID", "SKIM", "SKIN",  // 1764
    "SKIT", "SLAB", "SLAM", "SLAT", "SLAY", "SLED", "SLEW", "SLID",
    "SLIM", "SLIT", "SLOB", "SLOG",  // 1776
    "SLOT", "SLOW", "SLUG", "SLUM", "SLUR", "SMOG", "SMUG", "SNAG",
    "SNOB", "SNOW", "SNUB", "SNUG",  // 1788
    "SOAK", "SOAR", "SOCK", "SODA", "SOFA", "SOFT", "SOIL", "SOLD",
    "SOME", "SONG", "SOON", "SOOT",  // 1800
    "SORE", "SORT", "SOUL", "SOUR", "SOWN", "STAB", "STAG", "STAN",
    "STAR", "STAY", "STEM", "STEW",  // 1812
    "STIR", "STOW", "STUB", "STUN", "SUCH", "SUDS", "SUIT", "SULK",
    "SUMS", "SUNG", "SUNK", "SURE",  // 1824
    "SURF", "SWAB", "SWAG", "SWAM", "SWAN", "SWAT", "SWAY", "SWIM",
    "SWUM", "TACK", "TACT", "TAIL",  // 1836
    "TAKE", "TALE", "TALK", "TALL", "TANK", "TASK", "TATE", "TAUT",
    "TEAL", "TEAM", "TEAR", "TECH",  // 1848
    "TEEM", "TEEN", "TEET", "TELL", "TEND", "TENT", "TERM", "TERN",
    "TESS", "TEST", "THAN", "THAT",  // 1860
    "THEE", "THEM", "THEN", "THEY", "THIN", "THIS", "THUD", "THUG",
    "TICK", "TIDE", "TIDY", "TIED",  // 1872
    "TIER", "TILE", "TILL", "TILT", "TIME", "TINA", "TINE", "TINT",
    "TINY", "TIRE", "TOAD", "TOGO",  // 1884
    "TOIL", "TOLD", "TOLL", "TONE", "TONG", "TONY", "TOOK", "TOOL",
    "TOOT", "TORE", "TORN", "TOTE",  // 1896
    "TOUR", "TOUT", "TOWN", "TRAG", "TRAM", "TRAY", "TREE", "TREK",
    "TRIG", "TRIM", "TRIO", "TROD",  // 1908
    "TROT", "TROY", "TRUE", "TUBA", "TUBE", "TUCK", "TUFT", "TUNA",
    "TUNE", "TUNG", "TURF", "TURN",  // 1920
    "TUSK", "TWIG", "TWIN", "TWIT", "ULAN", "UNIT", "URGE", "USED",
    "USER", "USES", "UTAH", "VAIL",  // 1932
    "VAIN", "VALE", "VARY", "VASE", "VAST", "VEAL", "VEDA", "VEIL",
    "VEIN", "VEND", "VENT", "VERB",  // 1944
    "VERY", "VETO", "VICE", "VIEW", "VINE", "VISE", "VOID", "VOLT",
    "VOTE", "WACK", "WADE", "WAGE",  // 1956
    "WAIL", "WAIT", "WAKE", "WALE", "WALK", "WALL", "WALT", "WAND",
    "WANE", "WANG", "WANT", "WARD",  // 1968
    "WARM", "WARN", "WART", "WASH", "WAST", "WATS", "WATT", "WAVE",
    "WAVY", "WAYS", "WEAK", "WEAL",  // 1980
    "WEAN", "WEAR", "WEED", "WEEK", "WEIR", "WELD", "WELL", "WELT",
    "WENT", "WERE", "WERT", "WEST",  // 1992
    "WHAM", "WHAT", "WHEE", "WHEN", "WHET", "WHOA", "WHOM", "WICK",
    "WIFE", "WILD", "WILL", "WIND",  // 2004
    "WINE", "WING", "WINK", "WINO", "WIRE", "WISE", "WISH", "WITH",
    "WOLF", "WONT", "WOOD", "WOOL",  // 2016
    "WORD", "WORE", "WORK", "WORM", "WORN", "WOVE", "WRIT", "WYNN",
    "YALE", "YANG", "YANK", "YARD",                                  // 2028
    "YARN", "YAWL", "YAWN", "YEAH", "YEAR", "YELL", "YOGA", "YOKE",  // 2040
};

}  // namespace vd::ftp
