CREATE TABLE reg_keys(
    hive INTEGER NOT NULL,
    path BLOB NOT NULL,
    PRIMARY KEY(hive, path)) WITHOUT ROWID;
CREATE TABLE reg_values(
    hive INTEGER NOT NULL,
    path BLOB NOT NULL,
    name BLOB NOT NULL,
    kind INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(hive, path, name)) WITHOUT ROWID;
PRAGMA application_id = 1903578437;
PRAGMA user_version = 1;
INSERT INTO reg_keys VALUES(2147483649, CAST('app' AS BLOB));
INSERT INTO reg_values VALUES(2147483649, CAST('app' AS BLOB), CAST('saveonclose' AS BLOB), 1,
                              CAST('6' AS BLOB));
INSERT INTO reg_values VALUES(2147483649, CAST('app' AS BLOB), CAST('other' AS BLOB), 1,
                              CAST('5' AS BLOB));
