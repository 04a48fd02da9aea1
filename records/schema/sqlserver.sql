-- The production database on SQL Server. Statements end with a semicolon at the end of
-- a line; the program runs them one by one on an empty database.
CREATE TABLE electrometer (
    electro_id int IDENTITY(1,1) PRIMARY KEY,
    number int NOT NULL,
    type_id int NOT NULL
);
-- One row per factory number and model: QueryCheckNumber, QueryDoubleNumber, QueryDelta.
CREATE UNIQUE INDEX electrometer_number_type ON electrometer (number, type_id);
-- "+": the lowest number of a model.
CREATE INDEX electrometer_type_number ON electrometer (type_id, number);

CREATE TABLE computer (
    computer_id int IDENTITY(1,1) PRIMARY KEY,
    name nvarchar(16) NOT NULL
);
CREATE UNIQUE INDEX computer_name ON computer (name);

CREATE TABLE operator (
    person_id int IDENTITY(1,1) PRIMARY KEY,
    login nvarchar(64) NOT NULL,
    operating int NOT NULL DEFAULT 1,
    name nvarchar(100)
);
CREATE INDEX operator_login ON operator (login);

CREATE TABLE plant (
    plant_id int IDENTITY(1,1) PRIMARY KEY,
    type_id int NOT NULL,
    computer_id int NOT NULL REFERENCES computer (computer_id),
    name nvarchar(100)
);
CREATE INDEX plant_computer ON plant (computer_id, type_id);

CREATE TABLE operation (
    operation_id int IDENTITY(1,1) PRIMARY KEY,
    type_id int NOT NULL,
    electro_id int NOT NULL REFERENCES electrometer (electro_id),
    plant_id int REFERENCES plant (plant_id),
    person_id int REFERENCES operator (person_id),
    success bit NOT NULL DEFAULT 0,
    date_operation datetime NOT NULL DEFAULT getdate()
);
CREATE INDEX operation_electro ON operation (electro_id);
CREATE INDEX operation_plant ON operation (plant_id);
-- "+": the meters that have a programming operation.
CREATE INDEX operation_type_electro ON operation (type_id, electro_id);

CREATE TABLE set_tariff_3 (
    operation_id int NOT NULL REFERENCES operation (operation_id),
    version nvarchar(16),
    turn_on bigint,
    status int,
    reset bit,
    date_time datetime,
    summer bit,
    correct int,
    pass bigint,
    t_1_1 float,
    t_1_c float,
    t_2_1 float,
    t_2_c float,
    t_3_1 float,
    t_3_c float,
    ncorrect int,
    indicator int,
    vdm int,
    secperday float,
    account_d int,
    account_h int,
    zone_0 int, zone_1 int, zone_2 int, zone_3 int, zone_4 int, zone_5 int,
    time_0 datetime, time_1 datetime, time_2 datetime,
    time_3 datetime, time_4 datetime, time_5 datetime
);
CREATE INDEX set_tariff_3_operation ON set_tariff_3 (operation_id);
-- Start-up pre-fill: the newest row with a schedule, the newest with a display set.
CREATE INDEX set_tariff_3_zones ON set_tariff_3 (operation_id) WHERE zone_0 IS NOT NULL;
CREATE INDEX set_tariff_3_indicator ON set_tariff_3 (operation_id) WHERE indicator IS NOT NULL;

CREATE TABLE spoilage (
    spoilage_id int IDENTITY(1,1) PRIMARY KEY,
    type_id int NOT NULL,
    electro_id int NOT NULL REFERENCES electrometer (electro_id),
    person_id int REFERENCES operator (person_id),
    code nvarchar(64) NOT NULL,
    operation_id int REFERENCES operation (operation_id),
    date_spoilage datetime NOT NULL DEFAULT getdate(),
    date_repair datetime DEFAULT NULL
);
CREATE INDEX spoilage_electro ON spoilage (electro_id);

-- The workstations' own: the key each operation was given, recorded in the same
-- transaction as the operation, so that one sent again after a crash is recognised.
CREATE TABLE operation_key (
    client_key char(36) NOT NULL PRIMARY KEY,
    operation_id int NOT NULL
);
