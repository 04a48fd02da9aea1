-- The production database on PostgreSQL. Statements end with a semicolon at the end of
-- a line; the program runs them one by one on an empty database.
CREATE TABLE electrometer (
    electro_id serial PRIMARY KEY,
    number integer NOT NULL,
    type_id integer NOT NULL
);
-- One row per factory number and model: QueryCheckNumber, QueryDoubleNumber, QueryDelta.
CREATE UNIQUE INDEX electrometer_number_type ON electrometer (number, type_id);
-- "+": the lowest number of a model.
CREATE INDEX electrometer_type_number ON electrometer (type_id, number);

CREATE TABLE computer (
    computer_id serial PRIMARY KEY,
    name varchar(16) NOT NULL
);
CREATE UNIQUE INDEX computer_name ON computer (name);

CREATE TABLE operator (
    person_id serial PRIMARY KEY,
    login varchar(64) NOT NULL,
    operating integer NOT NULL DEFAULT 1,
    name varchar(100)
);
CREATE INDEX operator_login ON operator (login);

CREATE TABLE plant (
    plant_id serial PRIMARY KEY,
    type_id integer NOT NULL,
    computer_id integer NOT NULL REFERENCES computer (computer_id),
    name varchar(100)
);
CREATE INDEX plant_computer ON plant (computer_id, type_id);

CREATE TABLE operation (
    operation_id serial PRIMARY KEY,
    type_id integer NOT NULL,
    electro_id integer NOT NULL REFERENCES electrometer (electro_id),
    plant_id integer REFERENCES plant (plant_id),
    person_id integer REFERENCES operator (person_id),
    success boolean NOT NULL DEFAULT false,
    date_operation timestamp(3) NOT NULL DEFAULT LOCALTIMESTAMP
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
    reset boolean,
    date_time timestamp(3),
    summer boolean,
    correct integer,
    pass bigint,
    t_1_1 double precision,
    t_1_c double precision,
    t_2_1 double precision,
    t_2_c double precision,
    t_3_1 double precision,
    t_3_c double precision,
    ncorrect integer,
    indicator integer,
    vdm integer,
    secperday double precision,
    account_d integer,
    account_h integer,
    zone_0 integer, zone_1 integer, zone_2 integer, zone_3 integer, zone_4 integer, zone_5 integer,
    time_0 timestamp(3), time_1 timestamp(3), time_2 timestamp(3),
    time_3 timestamp(3), time_4 timestamp(3), time_5 timestamp(3)
);
CREATE INDEX set_tariff_3_operation ON set_tariff_3 (operation_id);
-- Start-up pre-fill: the newest row with a schedule, the newest with a display set.
CREATE INDEX set_tariff_3_zones ON set_tariff_3 (operation_id) WHERE zone_0 IS NOT NULL;
CREATE INDEX set_tariff_3_indicator ON set_tariff_3 (operation_id) WHERE indicator IS NOT NULL;

CREATE TABLE spoilage (
    spoilage_id serial PRIMARY KEY,
    type_id integer NOT NULL,
    electro_id integer NOT NULL REFERENCES electrometer (electro_id),
    person_id integer REFERENCES operator (person_id),
    code varchar(64) NOT NULL,
    operation_id integer REFERENCES operation (operation_id),
    date_spoilage timestamp(3) NOT NULL DEFAULT LOCALTIMESTAMP,
    date_repair timestamp(3) DEFAULT NULL
);
CREATE INDEX spoilage_electro ON spoilage (electro_id);

-- The workstations' own: the key each operation was given, recorded in the same
-- transaction as the operation, so that one sent again after a crash is recognised.
CREATE TABLE operation_key (
    client_key char(36) NOT NULL PRIMARY KEY,
    operation_id integer NOT NULL
);
