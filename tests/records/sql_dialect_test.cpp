// The system's SQL Server texts carried to PostgreSQL and SQLite.
#include "records/sql_dialect.h"

#include <gtest/gtest.h>

namespace {

using namespace ormix::records;

TEST(SqlDialect, CarriesEachConstructToEachEngine) {
    struct Case {
        const char *text;
        const char *postgres;
        const char *sqlite;
    } cases[] = {
        {"SELECT getdate()", "SELECT LOCALTIMESTAMP",
         "SELECT strftime('%Y-%m-%dT%H:%M:%f','now','localtime')"},
        {"WHERE DATEDIFF(DAY,date_operation,getdate()) = 0",
         "WHERE (CAST(LOCALTIMESTAMP AS date) - CAST(date_operation AS date)) = 0",
         "WHERE (julianday(date(strftime('%Y-%m-%dT%H:%M:%f','now','localtime'))) - "
         "julianday(date(date_operation))) = 0"},
        {"SELECT MIN(number) FROM electrometer\nAND NOT electro_id IN (SELECT electro_id FROM "
         "operation\n  WHERE type_id = 3)",
         "SELECT MIN(number) FROM electrometer\nAND NOT EXISTS (SELECT 1 FROM operation WHERE "
         "type_id = 3 AND operation.electro_id = electrometer.electro_id)",
         "SELECT MIN(number) FROM electrometer\nAND NOT EXISTS (SELECT 1 FROM operation WHERE "
         "type_id = 3 AND operation.electro_id = electrometer.electro_id)"},
        {"WHERE NOT zone_0 IS NULL", "WHERE zone_0 IS NOT NULL", "WHERE zone_0 IS NOT NULL"},
        {"UPDATE operation SET success = 0\nWHERE operation_id = :operation_id",
         "UPDATE operation SET success = false\nWHERE operation_id = :operation_id",
         "UPDATE operation SET success = 0\nWHERE operation_id = :operation_id"},
        {"INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)\n"
         "VALUES(3,:electro_id,:plant_id,:person_id,0)",
         "INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)\n"
         "VALUES(3,:electro_id,:plant_id,:person_id,false)",
         "INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)\n"
         "VALUES(3,:electro_id,:plant_id,:person_id,0)"},
        // Not a boolean column, not a DAY difference: left alone.
        {"WHERE type_id = 3 AND operating = 1", "WHERE type_id = 3 AND operating = 1",
         "WHERE type_id = 3 AND operating = 1"},
        {"SELECT DATEDIFF(HOUR,a,b)", "SELECT DATEDIFF(HOUR,a,b)", "SELECT DATEDIFF(HOUR,a,b)"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ToDialect(c.text, SqlDialect::SqlServer), c.text);
        EXPECT_EQ(ToDialect(c.text, SqlDialect::PostgreSql), c.postgres) << c.text;
        EXPECT_EQ(ToDialect(c.text, SqlDialect::Sqlite), c.sqlite) << c.text;
    }
}

TEST(SqlDialect, AnInsertYieldsItsOwnKey) {
    const QString insert = "INSERT INTO operation(type_id)\nVALUES(:type_id)";
    EXPECT_EQ(WithReturnedKey(insert, u"operation_id", SqlDialect::SqlServer),
              "INSERT INTO operation(type_id)\nOUTPUT INSERTED.operation_id\nVALUES(:type_id)");
    EXPECT_EQ(WithReturnedKey(insert, u"operation_id", SqlDialect::PostgreSql),
              insert + "\nRETURNING operation_id");
    EXPECT_EQ(WithReturnedKey(insert, u"operation_id", SqlDialect::Sqlite),
              insert + "\nRETURNING operation_id");
}

} // namespace
