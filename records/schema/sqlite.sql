-- The production database in an embedded SQLite file. Statements end with a semicolon
-- at the end of a line; the program runs them one by one on an empty database.
CREATE TABLE electrometer (
    electro_id INTEGER PRIMARY KEY AUTOINCREMENT,
    number integer NOT NULL,
    type_id integer NOT NULL
);
-- One row per factory number and model: QueryCheckNumber, QueryDoubleNumber, QueryDelta.
CREATE UNIQUE INDEX electrometer_number_type ON electrometer (number, type_id);
-- "+": the lowest number of a model.
CREATE INDEX electrometer_type_number ON electrometer (type_id, number);

CREATE TABLE computer (
    computer_id INTEGER PRIMARY KEY AUTOINCREMENT,
    name varchar(16) NOT NULL
);
CREATE UNIQUE INDEX computer_name ON computer (name);

CREATE TABLE operator (
    person_id INTEGER PRIMARY KEY AUTOINCREMENT,
    login varchar(64) NOT NULL,
    operating integer NOT NULL DEFAULT 1,
    name varchar(100)
);
CREATE INDEX operator_login ON operator (login);

CREATE TABLE plant (
    plant_id INTEGER PRIMARY KEY AUTOINCREMENT,
    type_id integer NOT NULL,
    computer_id integer NOT NULL REFERENCES computer (computer_id),
    name varchar(100)
);
CREATE INDEX plant_computer ON plant (computer_id, type_id);

CREATE TABLE operation (
    operation_id INTEGER PRIMARY KEY AUTOINCREMENT,
    type_id integer NOT NULL,
    electro_id integer NOT NULL REFERENCES electrometer (electro_id),
    plant_id integer REFERENCES plant (plant_id),
    person_id integer REFERENCES operator (person_id),
    success INTEGER NOT NULL DEFAULT 0,
    date_operation TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%f','now','localtime'))
);
CREATE INDEX operation_electro ON operation (electro_id);
CREATE INDEX operation_plant ON operation (plant_id);
-- "+": the meters that have a programming operation.
CREATE INDEX operation_type_electro ON operation (type_id, electro_id);

CREATE TABLE set_tariff_3 (
    operation_id integer NOT NULL REFERENCES operation (operation_id),
    version varchar(16),
    turn_on bigint,
    status integer,
    reset INTEGER,
    date_time TEXT,
    summer INTEGER,
    correct integer,
    pass bigint,
    t_1_1 REAL,
    t_1_c REAL,
    t_2_1 REAL,
    t_2_c REAL,
    t_3_1 REAL,
    t_3_c REAL,
    ncorrect integer,
    indicator integer,
    vdm integer,
    secperday REAL,
    account_d integer,
    account_h integer,
    zone_0 integer, zone_1 integer, zone_2 integer, zone_3 integer, zone_4 integer, zone_5 integer,
    time_0 TEXT, time_1 TEXT, time_2 TEXT,
    time_3 TEXT, time_4 TEXT, time_5 TEXT
);
CREATE INDEX set_tariff_3_operation ON set_tariff_3 (operation_id);
-- Start-up pre-fill: the newest row with a schedule, the newest with a display set.
CREATE INDEX set_tariff_3_zones ON set_tariff_3 (operation_id) WHERE zone_0 IS NOT NULL;
CREATE INDEX set_tariff_3_indicator ON set_tariff_3 (operation_id) WHERE indicator IS NOT NULL;

CREATE TABLE spoilage (
    spoilage_id INTEGER PRIMARY KEY AUTOINCREMENT,
    type_id integer NOT NULL,
    electro_id integer NOT NULL REFERENCES electrometer (electro_id),
    person_id integer REFERENCES operator (person_id),
    code varchar(64) NOT NULL,
    operation_id integer REFERENCES operation (operation_id),
    date_spoilage TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%f','now','localtime')),
    date_repair TEXT DEFAULT NULL
);
CREATE INDEX spoilage_electro ON spoilage (electro_id);

-- The workstations' own: the key each operation was given, recorded in the same
-- transaction as the operation, so that one sent again after a crash is recognised.
CREATE TABLE operation_key (
    client_key char(36) NOT NULL PRIMARY KEY,
    operation_id integer NOT NULL
);
