#include "records/production_queries.h"

#include <QStringList>

namespace ormix::records::queries {
namespace {
QString Lines(std::initializer_list<const char *> lines) {
    QStringList out;
    for (const char *line : lines)
        out.append(QString::fromUtf8(line));
    return out.join(u'\n');
}
} // namespace

QString QueryComputer() {
    return Lines({"SELECT * FROM computer", "WHERE name = :name"});
}

QString QueryPerson() {
    return Lines({"SELECT * FROM operator", "WHERE login = :login", "AND operating = 1"});
}

QString QueryPlant() {
    return Lines({"SELECT * FROM plant", "WHERE type_id = 3", "AND computer_id = :computer_id"});
}

QString QueryTime() {
    return Lines({"SELECT getdate()"});
}

QString QueryCheckNumber() {
    return Lines(
        {"SELECT * FROM electrometer", "WHERE number = :number ", "AND type_id = :type_id"});
}

QString QuerySpoilage() {
    return Lines({"SELECT COUNT(*) FROM spoilage", "WHERE electro_id = :electro_id",
                  "AND date_repair IS NULL"});
}

QString QueryDoubleNumber() {
    return Lines({"SELECT COUNT(*) FROM set_tariff_3",
                  "WHERE operation_id IN (SELECT operation_id FROM operation",
                  "  WHERE electro_id = (SELECT electro_id FROM electrometer",
                  "     WHERE number = :number AND type_id = :type_id))"});
}

QString QueryOperation() {
    return Lines({"INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)",
                  "VALUES(:type_id,:electro_id,:plant_id,:person_id,:success)"});
}

QString QueryIns() {
    return Lines({"INSERT INTO set_tariff_3(operation_id,version,turn_on,status,",
                  "  reset,date_time,summer,correct,pass,t_1_1,t_1_c,t_2_1,t_2_c,t_3_1,",
                  "  t_3_c,ncorrect,indicator,vdm,secperday,", "  account_d,account_h)",
                  "VALUES(:operation_id,:version,:turn_on,:status,:reset,:date_time,",
                  "  :summer,:correct,:pass,:t_1_1,:t_1_c,:t_2_1,:t_2_c,:t_3_1,:t_3_c,",
                  "  :ncorrect,:indicator,:vdm,:secperday,:account_d,:account_h)"});
}

QString QueryMaxSql() {
    return Lines({"SELECT MIN(number) FROM electrometer", "WHERE type_id = :type_id",
                  "AND NOT electro_id IN (SELECT electro_id FROM operation",
                  "  WHERE type_id = 3)"});
}

QString QueryDelta() {
    return Lines({"SELECT MAX(date_time) FROM set_tariff_3",
                  "WHERE operation_id IN (SELECT operation_id FROM operation",
                  "  WHERE electro_id = (SELECT electro_id FROM electrometer",
                  "     WHERE number = :number AND type_id = :type_id))"});
}

QString QueryMaxTarif() {
    return Lines({"SELECT MAX(operation_id) FROM set_tariff_3", "WHERE NOT zone_0 IS NULL"});
}

QString QueryMaxIndi() {
    return Lines({"SELECT MAX(operation_id) FROM set_tariff_3", "WHERE NOT indicator IS NULL"});
}

QString QueryOp() {
    return Lines({"SELECT * FROM set_tariff_3", "WHERE operation_id = :operation_id"});
}

namespace defect {
QString QuerySelect() {
    return Lines({"SELECT MAX(operation_id) FROM operation", "WHERE electro_id = :electro_id",
                  "AND DATEDIFF(DAY,date_operation,getdate()) = 0", "AND type_id = 3"});
}

QString QueryFail() {
    return Lines({"UPDATE operation SET success = 0", "WHERE operation_id = :operation_id"});
}

QString QueryInsert() {
    return Lines({"INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)",
                  "VALUES(3,:electro_id,:plant_id,:person_id,0)"});
}

QString QuerySpoilage() {
    return Lines({"INSERT INTO spoilage(type_id,electro_id,person_id,code,operation_id)",
                  "VALUES(1,:electro_id,:person_id,:code,:operation_id)"});
}

QString QueryUsedCodes() {
    return Lines({"SELECT code, COUNT(*) AS times FROM spoilage", "GROUP BY code",
                  "ORDER BY COUNT(*) DESC, code"});
}
} // namespace defect

QString QueryOperationAt() {
    return Lines(
        {"INSERT INTO operation(type_id,electro_id,plant_id,person_id,success,date_operation)",
         "VALUES(:type_id,:electro_id,:plant_id,:person_id,:success,:date_operation)"});
}

QString QueryFindKey() {
    return Lines({"SELECT operation_id FROM operation_key", "WHERE client_key = :client_key"});
}

QString QueryInsertKey() {
    return Lines({"INSERT INTO operation_key(client_key,operation_id)",
                  "VALUES(:client_key,:operation_id)"});
}

} // namespace ormix::records::queries
